// SettingsCommand.cpp - ovilux settings: show, reset, export and import a camera's stored
// settings as a text file. It needs no camera: the settings live in the settings store.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Commands.h"
#include "OviluxSettings.h"

namespace ovilux_tool {

namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

bool ExportText(int32_t device, std::string* text) {
    const int32_t size = OviluxSettings_Export(device, nullptr, 0);
    if (size < 0) {
        return false;
    }
    std::vector<char> buffer(static_cast<size_t>(size) + 1);
    if (OviluxSettings_Export(device, buffer.data(), static_cast<int32_t>(buffer.size())) != size) {
        return false;
    }
    text->assign(buffer.data(), static_cast<size_t>(size));
    return true;
}

int Export(int32_t device, const std::string& fileName) {
    std::string text;
    if (!ExportText(device, &text)) {
        Complain("the settings of camera " + std::to_string(device) + " could not be read");
        return kExitFailed;
    }
    if (fileName.empty()) {
        std::fputs(text.c_str(), stdout);
        return kExitOk;
    }
    File file(std::fopen(fileName.c_str(), "wb"), &std::fclose);
    const bool written = file && std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
    if (!written || std::fclose(file.release()) != 0) {
        Complain("cannot write " + fileName);
        return kExitFailed;
    }
    std::printf("camera %d's settings written to %s\n", static_cast<int>(device), fileName.c_str());
    return kExitOk;
}

int Import(int32_t device, const std::string& fileName) {
    File file(std::fopen(fileName.c_str(), "rb"), &std::fclose);
    if (!file) {
        Complain("cannot read " + fileName);
        return kExitFailed;
    }
    std::string text;
    char block[4096];
    for (size_t got; (got = std::fread(block, 1, sizeof block, file.get())) > 0;) {
        text.append(block, got);
    }
    if (text.find('\0') != std::string::npos) {
        Complain(fileName + " is not a settings text");
        return kExitFailed;
    }
    char message[512] = {};
    if (!OviluxSettings_Import(device, text.c_str(), message, sizeof message)) {
        Complain(fileName + ": " + message + "; nothing was changed");
        return kExitFailed;
    }
    std::printf("camera %d's settings replaced by those of %s\n", static_cast<int>(device), fileName.c_str());
    return kExitOk;
}

int Reset(int32_t device) {
    if (!OviluxSettings_Reset(device)) {
        Complain("the settings of camera " + std::to_string(device) + " could not be reset");
        return kExitFailed;
    }
    std::printf("camera %d's settings are back to the defaults\n", static_cast<int>(device));
    return kExitOk;
}

int ResetAll() {
    for (int32_t device = 0; device < OVILUX_SETTINGS_DEVICE_COUNT; ++device) {
        if (!OviluxSettings_Reset(device)) {
            Complain("the settings of camera " + std::to_string(device) + " could not be reset");
            return kExitFailed;
        }
    }
    std::printf("the settings of every camera are back to the defaults\n");
    return kExitOk;
}

}  // namespace

int SettingsCommand(Arguments& args, const GlobalOptions&) {
    int32_t device = 0;
    std::vector<std::string> words;
    if (!TakeDeviceAndWords(args, &device, &words)) {
        return kExitUsage;
    }
    const auto all = std::find(words.begin(), words.end(), "--all");
    const bool allCameras = all != words.end();
    if (allCameras) {
        words.erase(all);
    }
    const std::string action = words.empty() ? "" : words[0];
    if (allCameras && action != "reset") {
        Complain("--all goes with settings reset only");
        PrintCommandUsage("settings", stderr);
        return kExitUsage;
    }
    const bool needsFile = action == "export" || action == "import";
    const bool known = action == "show" || action == "reset" || needsFile;
    if (!known || words.size() != (needsFile ? 2u : 1u)) {
        Complain("settings needs show, reset, export FILE or import FILE");
        PrintCommandUsage("settings", stderr);
        return kExitUsage;
    }
    if (action == "show") {
        return Export(device, "");
    }
    if (action == "export") {
        return Export(device, words[1]);
    }
    if (action == "import") {
        return Import(device, words[1]);
    }
    if (allCameras) {
        return ResetAll();
    }
    return Reset(device);
}

}  // namespace ovilux_tool
