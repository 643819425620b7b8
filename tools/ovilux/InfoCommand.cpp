// InfoCommand.cpp - ovilux info: a camera's sizes, gain and exposure ranges with the current
// values, the library version and the colour modes.
#include <cstdio>

#include "CameraSession.h"
#include "Commands.h"
#include "OviluxSdk.h"

namespace ovilux_tool {

int InfoCommand(Arguments& args, const GlobalOptions& global) {
    int32_t device = 0;
    while (!args.Empty()) {
        if (args.Peek() == "-d" || args.Peek() == "--device") {
            if (!TakeDeviceOption(args, &device)) {
                return kExitUsage;
            }
            continue;
        }
        Complain("unknown option \"" + args.Peek() + "\" for info");
        PrintCommandUsage("info", stderr);
        return kExitUsage;
    }
    CameraSession session;
    if (!session.OpenCamera(device, global.simulate)) {
        return kExitFailed;
    }
    const uint32_t handle = session.Handle();
    char name[64] = {};
    if (!Ovilux_GetDeviceName(session.Fresh(), device, name, sizeof(name))) {
        session.Fail("Ovilux_GetDeviceName");
        return kExitFailed;
    }
    OviluxCameraInfo info{};
    info.size = sizeof(info);
    if (!Ovilux_GetCameraInfo(session.Fresh(), &info)) {
        session.Fail("Ovilux_GetCameraInfo");
        return kExitFailed;
    }
    const uint32_t version = Ovilux_GetDllVersion();
    std::printf("camera %d: %s\n", static_cast<int>(device), name);
    std::printf("  sensor size        %d x %d pixels\n", static_cast<int>(info.maxWidth), static_cast<int>(info.maxHeight));
    int32_t x = 0, y = 0;
    Ovilux_GetCaptureWindowEx(handle, nullptr, &x, nullptr, nullptr, &y, nullptr);
    int32_t ok = 0;
    const auto current = [&](int32_t (*getter)(uint32_t, int32_t*)) { return static_cast<int>(getter(handle, &ok)); };
    std::printf("  capture window     %d x %d pixels at (%d, %d), subsample %d\n", static_cast<int>(Ovilux_Width(handle)),
                static_cast<int>(Ovilux_Height(handle)), static_cast<int>(x), static_cast<int>(y),
                static_cast<int>(Ovilux_GetSubSample(handle)));
    std::printf("  global gain        %d to %d; now %d\n", static_cast<int>(info.globalGainMin),
                static_cast<int>(info.globalGainMax), current(Ovilux_GetGlobalGain));
    std::printf("  colour gains       %d to %d; now red %d, green %d and %d, blue %d\n",
                static_cast<int>(info.colorGainMin), static_cast<int>(info.colorGainMax), current(Ovilux_GetColorGainRed),
                current(Ovilux_GetColorGainGreen1), current(Ovilux_GetColorGainGreen2), current(Ovilux_GetColorGainBlue));
    std::printf("  exposure           %d to %d us; now %d us\n", static_cast<int>(info.exposureMin) * 100,
                static_cast<int>(info.exposureMax) * 100, current(Ovilux_GetRealExposureTime));
    std::printf("  colour modes       8 (mono), 16 (mono), 24, 32, 48, 64 bits per pixel; now %d\n",
                static_cast<int>(Ovilux_GetColorMode(handle)));
    std::printf("  library version    0x%08X\n", static_cast<unsigned>(version));
    return kExitOk;
}

}  // namespace ovilux_tool
