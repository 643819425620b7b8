// RecordCommand.cpp - ovilux record: live view recorded into AVI files, a progress line while
// it runs, and a summary of every file read back from its headers.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "CameraOptions.h"
#include "CameraSession.h"
#include "Commands.h"
#include "LiveSignals.h"
#include "MessageWindow.h"
#include "OviluxCodes.h"
#include "OviluxSdk.h"
#include "OviluxSim.h"
#include "SettingLimits.h"
#include "StreamCounts.h"

namespace ovilux_tool {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Time after the recording's own end for its last frame to arrive and its file to close.
constexpr double kSettleSeconds = 1.5;
// Files of one recording: the first name, then up to this many numbered parts.
constexpr int kMaxParts = 999;

struct RecordOptions {
    int32_t device = 0;
    std::string output;
    int32_t seconds = 5;
    int32_t bits = 24;
    CameraOptions camera;
    uint64_t fileLimit = 0;  // 0: the library's own (2 GiB)
};

bool HasAviExtension(const std::string& name) {
    std::string extension = fs::path(name).extension().string();
    for (char& c : extension) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return extension == ".avi";
}

bool ParseRecordOptions(Arguments& args, RecordOptions& options) {
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
        std::optional<std::string> value;
        if (option == "-o" || option == "--seconds" || option == "--bits" || option == "--file-limit") {
            value = args.TakeValue(option);
            if (!value) return false;
        }
        if (option == "-o") {
            options.output = *value;
        } else if (option == "--seconds") {
            const auto number = ParseNumber(*value, 0, 3600, option);
            if (!number) return false;
            options.seconds = static_cast<int32_t>(*number);
        } else if (option == "--bits") {
            const auto bits = ParseBits(*value, option);
            if (!bits) return false;
            options.bits = *bits;
        } else if (option == "--file-limit") {
            const auto number = ParseNumber(*value, 4096, 0x7FFFFFFF, option);
            if (!number) return false;
            options.fileLimit = static_cast<uint64_t>(*number);
        } else {
            Complain("unknown option \"" + option + "\" for record");
            return false;
        }
    }
    if (options.output.empty()) {
        Complain("record needs -o FILE");
        return false;
    }
    if (!HasAviExtension(options.output)) {
        Complain("record writes AVI files: name the output FILE.avi, not \"" + options.output + "\"");
        return false;
    }
    return true;
}

// The name of part n as the library numbers them: "_00n" before the extension.
std::string PartName(const std::string& first, int part) {
    if (part == 0) return first;
    const fs::path path(first);
    char number[16];
    std::snprintf(number, sizeof(number), "_%03d", part);
    return (path.parent_path() / (path.stem().string() + number + path.extension().string())).string();
}

uint32_t ReadLe32(std::ifstream& in, std::streamoff at) {
    uint8_t b[4] = {};
    in.seekg(at);
    in.read(reinterpret_cast<char*>(b), 4);
    return in ? (b[0] | b[1] << 8 | b[2] << 16 | uint32_t{b[3]} << 24) : 0;
}

struct PartSummary {
    std::string name;
    uint32_t frames = 0;
    uint32_t microsecondsPerFrame = 0;
};

// The files this recording wrote: the first, and the numbered ones changed since it began.
std::vector<PartSummary> ReadParts(const std::string& first, fs::file_time_type begun) {
    std::vector<PartSummary> parts;
    for (int part = 0; part <= kMaxParts; ++part) {
        const std::string name = PartName(first, part);
        std::error_code error;
        const fs::file_time_type written = fs::last_write_time(name, error);
        if (error || (part > 0 && written < begun)) break;
        std::ifstream in(name, std::ios::binary);
        parts.push_back({name, ReadLe32(in, 48), ReadLe32(in, 32)});
    }
    return parts;
}

uint64_t BytesWritten(const std::string& first, fs::file_time_type begun) {
    uint64_t bytes = 0;
    for (const PartSummary& part : ReadParts(first, begun)) {
        std::error_code error;
        const uintmax_t size = fs::file_size(part.name, error);
        bytes += error ? 0 : size;
    }
    return bytes;
}

bool ApplySettings(const CameraSession& session, const RecordOptions& options) {
    const uint32_t handle = session.Handle();
    if (!Ovilux_SetColorMode(session.Fresh(), options.bits)) return session.Fail("Ovilux_SetColorMode");
    if (!ApplyCameraOptions(session, options.camera)) return false;
    if (options.fileLimit != 0 && !OviluxSim_SetRecordFileLimit(handle, options.fileLimit)) {
        Complain("--file-limit was refused");
        return false;
    }
    return true;
}


}  // namespace

int RecordCommand(Arguments& args, const GlobalOptions& global) {
    RecordOptions options;
    if (!ParseRecordOptions(args, options)) {
        PrintCommandUsage("record", stderr);
        return kExitUsage;
    }
    CameraSession session;
    if (!session.OpenCamera(options.device, global.simulate) || !ApplySettings(session, options)) {
        return kExitFailed;
    }
    const uint32_t handle = session.Handle();
    // File times a second early: the file system's clock may be coarser than the steady one.
    const fs::file_time_type begun = fs::file_time_type::clock::now() - std::chrono::seconds(1);
    if (!Ovilux_Record(session.Fresh(), options.output.c_str(), options.seconds * 1000, 0)) {
        session.Fail("Ovilux_Record");
        return kExitFailed;
    }
    // Frame messages from the running live view, counted over the recording's length from the
    // first: the frames the recorder was offered.
    MessageWindow window;
    if (window.Get() == nullptr || !Ovilux_CallBackPreview(session.Fresh(), window.Get(), nullptr, 0, 1)) {
        Ovilux_StopPreview(handle);
        Complain("could not follow the frames");
        return kExitFailed;
    }
    const bool terminal = IsTerminal(stdout);
    const Clock::time_point start = Clock::now();
    std::optional<Clock::time_point> firstFrame;
    long long delivered = 0;
    Clock::time_point lastShown = start;
    for (;;) {
        const Clock::time_point now = Clock::now();
        const double elapsed = std::chrono::duration<double>(now - start).count();
        // The recording's length counts from its first frame, which a loaded machine or a long
        // exposure may be slow to bring.
        const double since = std::chrono::duration<double>(now - firstFrame.value_or(start)).count();
        if (firstFrame ? since >= options.seconds + kSettleSeconds : elapsed >= kFirstFrameSeconds) break;
        uint32_t message = 0;
        uintptr_t wParam = 0;
        intptr_t lParam = 0;
        if (OviluxWnd_GetMessage(window.Get(), 50, &message, &wParam, &lParam) && message == OVILUX_WM_FRAME &&
            wParam != 0) {
            if (!firstFrame) firstFrame = now;
            if (std::chrono::duration<double>(now - *firstFrame).count() <= options.seconds) ++delivered;
        }
        // Progress as live view shows it: in place on a terminal, a line a second elsewhere.
        if (now - lastShown > (terminal ? std::chrono::milliseconds(200) : std::chrono::milliseconds(1000))) {
            lastShown = now;
            const std::string counts = StreamCountsShort(handle);
            std::printf(terminal ? "\rrecording %5.1f s   %9.1f MB   %s" : "recording %5.1f s   %9.1f MB   %s\n", elapsed,
                        BytesWritten(options.output, begun) / 1e6, counts.c_str());
            std::fflush(stdout);
        }
    }
    // Stopping ends a recording still waiting for frames with its file finalised.
    Ovilux_StopPreview(handle);
    if (terminal) {
        std::printf("\n");
    }
    int32_t failure = 0;
    for (int32_t code = Ovilux_GetLastError(handle); code != 0; code = Ovilux_GetLastError(handle)) {
        failure = code;
    }
    uint64_t frames = 0;
    for (const PartSummary& part : ReadParts(options.output, begun)) {
        const double rate = part.microsecondsPerFrame ? 1e6 / part.microsecondsPerFrame : 0.0;
        std::printf("%s: %u frames at %.2f frames/s\n", part.name.c_str(), part.frames, rate);
        frames += part.frames;
    }
    std::printf("frames recorded: %llu", static_cast<unsigned long long>(frames));
    std::printf("   frames delivered meanwhile: %lld\n", delivered);
    std::printf("frames %s\n", StreamCountsLine(handle).c_str());
    if (failure != 0) {
        std::fprintf(stderr, "ovilux: the recording ended early: code %d (%s; what was written is finalised)\n",
                     static_cast<int>(failure), OviluxCode_Text(failure));
        return kExitFailed;
    }
    return frames > 0 ? kExitOk : kExitFailed;
}

}  // namespace ovilux_tool
