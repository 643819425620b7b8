// ListCommand.cpp - ovilux list: the cameras found, with their index and name.
#include <cstdio>
#include <vector>

#include "CameraSession.h"
#include "Commands.h"
#include "OviluxSdk.h"

namespace ovilux_tool {

int ListCommand(Arguments& args, const GlobalOptions& global) {
    if (!args.Empty()) {
        Complain("list takes no arguments, not \"" + args.Peek() + "\"");
        PrintCommandUsage("list", stderr);
        return kExitUsage;
    }
    CameraSession session;
    if (!session.Create()) {
        return kExitFailed;
    }
    const auto present = session.PresentCameras();
    if (present.empty()) {
        ReportNoCamera(global.simulate);
        return kExitFailed;
    }
    std::printf("%zu camera%s found:\n", present.size(), present.size() == 1 ? "" : "s");
    for (const auto& [number, name] : present) {
        std::printf("  %d  %s\n", static_cast<int>(number), name.c_str());
    }
    std::printf("this build reaches %s\n", CameraTransports());
    return kExitOk;
}

bool TakeDeviceOption(Arguments& args, int32_t* device) {
    const std::string option = args.Take();
    const auto value = args.TakeValue(option);
    if (!value) {
        return false;
    }
    const auto number = ParseNumber(*value, 0, 31, option);
    if (!number) {
        return false;
    }
    *device = static_cast<int32_t>(*number);
    return true;
}

bool TakeDeviceAndWords(Arguments& args, int32_t* device, std::vector<std::string>* words) {
    while (!args.Empty()) {
        if (args.Peek() == "-d" || args.Peek() == "--device") {
            if (!TakeDeviceOption(args, device)) {
                return false;
            }
            continue;
        }
        words->push_back(args.Take());
    }
    return true;
}

}  // namespace ovilux_tool
