// SnapCommand.cpp - ovilux snap: set the camera up, take snapshots and save each to a file.
#include <cstdio>
#include <map>
#include <optional>
#include <string>

#include "CameraOptions.h"
#include "CameraSession.h"
#include "Commands.h"
#include "SettingLimits.h"
#include "OviluxSdk.h"

namespace ovilux_tool {

namespace {

struct SnapOptions {
    int32_t device = 0;
    std::string output;
    std::optional<int32_t> format;
    int32_t bits = 24;
    CameraOptions camera;
    bool mirrorH = false;
    bool mirrorV = false;
    int32_t count = 1;
};

const std::map<std::string, int32_t>& FormatNames() {
    static const std::map<std::string, int32_t> names = {
        {"bmp", OVILUX_SAVE_BMP},         {"raw", OVILUX_SAVE_RAW},         {"jpeg", OVILUX_SAVE_JPEG_100},
        {"jpeg70", OVILUX_SAVE_JPEG_70},  {"jpeg20", OVILUX_SAVE_JPEG_20},  {"png", OVILUX_SAVE_PNG},
        {"tiff", OVILUX_SAVE_TIFF}};
    return names;
}

// The format a file name's extension asks for, when it asks for one.
std::optional<int32_t> FormatFromExtension(const std::string& file) {
    const size_t dot = file.rfind('.');
    if (dot == std::string::npos) {
        return std::nullopt;
    }
    std::string extension = file.substr(dot + 1);
    for (char& c : extension) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    static const std::map<std::string, int32_t> extensions = {
        {"bmp", OVILUX_SAVE_BMP},  {"raw", OVILUX_SAVE_RAW}, {"jpg", OVILUX_SAVE_JPEG_100}, {"jpeg", OVILUX_SAVE_JPEG_100},
        {"png", OVILUX_SAVE_PNG},  {"tif", OVILUX_SAVE_TIFF}, {"tiff", OVILUX_SAVE_TIFF}};
    const auto it = extensions.find(extension);
    return it == extensions.end() ? std::nullopt : std::optional<int32_t>(it->second);
}

// FILE with _001, _002, ... before its extension.
std::string NumberedName(const std::string& file, int32_t number) {
    char suffix[16];
    std::snprintf(suffix, sizeof(suffix), "_%03d", static_cast<int>(number));
    const size_t dot = file.rfind('.');
    const size_t slash = file.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return file + suffix;
    }
    return file.substr(0, dot) + suffix + file.substr(dot);
}

bool TakeNumber(Arguments& args, const std::string& option, int64_t minimum, int64_t maximum, int32_t* out) {
    const auto value = args.TakeValue(option);
    const auto number = value ? ParseNumber(*value, minimum, maximum, option) : std::nullopt;
    if (number) {
        *out = static_cast<int32_t>(*number);
    }
    return number.has_value();
}

// Reads the options; false (with a message) for anything wrong.
bool ParseSnapOptions(Arguments& args, SnapOptions& options) {
    while (!args.Empty()) {
        const std::string option = args.Peek();
        if (option == "-d" || option == "--device") {
            if (!TakeDeviceOption(args, &options.device)) return false;
            continue;
        }
        args.Take();
        const OptionTaken shared = TakeCameraOption(option, args, options.camera);
        if (shared == OptionTaken::Wrong) return false;
        if (shared == OptionTaken::Yes) continue;
        if (option == "-o" || option == "--output") {
            const auto value = args.TakeValue(option);
            if (!value || value->empty()) return false;
            options.output = *value;
        } else if (option == "--format") {
            const auto value = args.TakeValue(option);
            if (!value) return false;
            const auto it = FormatNames().find(*value);
            if (it == FormatNames().end()) {
                Complain("--format takes bmp, raw, jpeg, jpeg70, jpeg20, png or tiff, not \"" + *value + "\"");
                return false;
            }
            options.format = it->second;
        } else if (option == "--bits") {
            const auto value = args.TakeValue(option);
            const auto bits = value ? ParseBits(*value, option) : std::nullopt;
            if (!bits) return false;
            options.bits = *bits;
        } else if (option == "--mirror-h") {
            options.mirrorH = true;
        } else if (option == "--mirror-v") {
            options.mirrorV = true;
        } else if (option == "--count") {
            if (!TakeNumber(args, option, 1, 999, &options.count)) return false;
        } else {
            Complain("unknown option \"" + option + "\" for snap");
            return false;
        }
    }
    if (options.output.empty()) {
        Complain("snap needs -o FILE");
        return false;
    }
    if (!options.format) {
        options.format = FormatFromExtension(options.output);
        if (!options.format) {
            Complain("cannot tell the format from \"" + options.output + "\"; add --format");
            return false;
        }
    }
    return true;
}

// Programs the session's camera with the options; false after reporting the failed call.
bool ApplySettings(const CameraSession& session, const SnapOptions& options) {
    if (!Ovilux_SetColorMode(session.Fresh(), options.bits)) return session.Fail("Ovilux_SetColorMode");
    if (!ApplyCameraOptions(session, options.camera)) return false;
    if (!Ovilux_SetMirrorH(session.Fresh(), options.mirrorH ? 1 : 0)) return session.Fail("Ovilux_SetMirrorH");
    if (!Ovilux_SetMirrorV(session.Fresh(), options.mirrorV ? 1 : 0)) return session.Fail("Ovilux_SetMirrorV");
    return true;
}

}  // namespace

int SnapCommand(Arguments& args, const GlobalOptions& global) {
    SnapOptions options;
    if (!ParseSnapOptions(args, options)) {
        PrintCommandUsage("snap", stderr);
        return kExitUsage;
    }
    CameraSession session;
    if (!session.OpenCamera(options.device, global.simulate) || !ApplySettings(session, options)) {
        return kExitFailed;
    }
    for (int32_t i = 1; i <= options.count; ++i) {
        const std::string file = options.count == 1 ? options.output : NumberedName(options.output, i);
        if (!Ovilux_SnapShot(session.Fresh(), nullptr, 0, 1)) {
            session.Fail("Ovilux_SnapShot");
            return kExitFailed;
        }
        if (!Ovilux_SaveImage(session.Fresh(), file.c_str(), *options.format)) {
            std::fprintf(stderr, "ovilux: could not save %s\n", file.c_str());
            session.Fail("Ovilux_SaveImage");
            return kExitFailed;
        }
        const int32_t reduction = 1 << Ovilux_GetSubSample(session.Handle());
        std::printf("saved %s (%d x %d, %d bits)\n", file.c_str(),
                    static_cast<int>(Ovilux_Width(session.Handle()) / reduction),
                    static_cast<int>(Ovilux_Height(session.Handle()) / reduction), static_cast<int>(options.bits));
    }
    return kExitOk;
}

}  // namespace ovilux_tool
