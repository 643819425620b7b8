// LiveCommand.cpp - ovilux live: live view with every frame delivered into the tool's buffer,
// progress (a line updated in place on a terminal, a line a second elsewhere), and a summary at
// the end, also when Ctrl-C or SIGTERM stops it early.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <cstdio>
#include <vector>

#include "CameraOptions.h"
#include "CameraSession.h"
#include "Commands.h"
#include "LiveMany.h"
#include "LiveSignals.h"
#include "MessageWindow.h"
#include "OviluxSdk.h"
#include "StreamCounts.h"

namespace ovilux_tool {

namespace {

using Clock = std::chrono::steady_clock;


struct PreviewSize {
    int32_t width;
    int32_t height;
};

// The picture's size, scaled down (never up) to fit a common screen.
PreviewSize FitPreview(int32_t width, int32_t height) {
    constexpr double kScreenWidth = 1280;
    constexpr double kScreenHeight = 960;
    const double scale = std::min({1.0, kScreenWidth / std::max(width, 1), kScreenHeight / std::max(height, 1)});
    return {std::max(1, static_cast<int32_t>(width * scale)), std::max(1, static_cast<int32_t>(height * scale))};
}

// A preview window that could not be made: on Linux it needs an X display.
void ExplainNoDisplay() {
#ifndef _WIN32
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        Complain("--preview needs a display, and DISPLAY is not set (live view runs without --preview)");
    } else {
        Complain(std::string("--preview could not open a window on DISPLAY=") + display);
    }
#endif
}

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Live view of one camera, with its preview window when asked for.
int LiveOne(int32_t device, bool preview, const LiveSettings& settings, const GlobalOptions& global) {
    const int32_t bits = settings.bits;
    const int32_t seconds = settings.seconds;
    const bool json = settings.json;
    // From here on Ctrl-C stops live view through the loop below, so the camera is always stopped.
    const StopOnSignal stop;
    CameraSession session;
    if (!session.OpenCamera(device, global.simulate)) {
        return kExitFailed;
    }
    const uint32_t handle = session.Handle();
    if (!Ovilux_SetColorMode(session.Fresh(), bits)) {
        session.Fail("Ovilux_SetColorMode");
        return kExitFailed;
    }
    if (!ApplyCameraOptions(session, settings.camera)) {
        return kExitFailed;
    }
    // Room for the whole capture window at this depth, rows padded to 4 bytes.
    const size_t stride = (static_cast<size_t>(Ovilux_Width(handle)) * static_cast<size_t>(bits) / 8 + 3) & ~size_t{3};
    std::vector<uint8_t> frame(stride * static_cast<size_t>(Ovilux_Height(handle)));
    MessageWindow window;
    if (window.Get() == nullptr) {
        Complain("could not make a window for the frame messages");
        return kExitFailed;
    }
    // Any placement value asks for the library's top-level window; the library scales the
    // picture to it, so a window that fits a screen shows the whole picture.
    const PreviewSize shown = FitPreview(Ovilux_Width(handle), Ovilux_Height(handle));
    if (preview && !Ovilux_SetPreviewWindow(session.Fresh(), nullptr, 0, 0, shown.width, shown.height)) {
        session.Fail("Ovilux_SetPreviewWindow");
        return kExitFailed;
    }
    if (!Ovilux_CallBackPreview(session.Fresh(), window.Get(), frame.data(), static_cast<int32_t>(frame.size()), 1)) {
        session.Fail("Ovilux_CallBackPreview");
        if (preview) {
            ExplainNoDisplay();
        }
        return kExitFailed;
    }

    const bool terminal = IsTerminal(stdout);
    const Clock::time_point start = Clock::now();
    double lastReport = 0;
    long long frames = 0;
    int32_t cameraRateX10 = 0;
    int32_t width = 0, height = 0;
    int32_t failure = -1;
    // Live view lasts its seconds, and at least until its first frame (a loaded machine or a long
    // exposure may take longer for it); --seconds 0 is the shortest, as it is for record: up to
    // the first frame.
    const auto running = [&] {
        const double elapsed = SecondsSince(start);
        return frames == 0 ? elapsed < kFirstFrameSeconds : elapsed < seconds;
    };
    while (running() && failure < 0 && !stop.StopRequested()) {
        uint32_t message = 0;
        uintptr_t wParam = 0;
        intptr_t lParam = 0;
        if (!OviluxWnd_GetMessage(window.Get(), 200, &message, &wParam, &lParam) || message != OVILUX_WM_FRAME) {
            continue;
        }
        if (wParam == 0) {
            failure = static_cast<int32_t>(lParam);
            break;
        }
        const auto* info = reinterpret_cast<const OviluxFrameInfo*>(wParam);
        width = info->width;
        height = info->height;
        cameraRateX10 = info->frameRateX10;
        ++frames;
        const double elapsed = SecondsSince(start);
        if ((terminal && !json) || elapsed >= lastReport + 1.0) {
            const std::string counts = StreamCountsShort(handle);
            std::printf(terminal && !json ? "\rframes %6lld   %6.1f fps   %5.1f s   %s"
                                          : "frames %6lld   %6.1f fps   %5.1f s   %s\n",
                        frames, elapsed > 0 ? frames / elapsed : 0.0, elapsed, counts.c_str());
            std::fflush(stdout);
            lastReport = elapsed;
        }
    }
    Ovilux_StopPreview(handle);
    const double elapsed = SecondsSince(start);
    if (terminal && !json) {
        std::printf("\n");
    }
    if (stop.StopRequested()) {
        std::printf("live view stopped on request\n");
    }
    if (failure >= 0) {
        ReportCode("live view", failure);
        return kExitFailed;
    }
    if (frames == 0 && !stop.StopRequested()) {
        Complain("no frame arrived");
        session.Fail("Ovilux_CallBackPreview");
        return kExitFailed;
    }
    if (json) {
        // One line for scripts: the summary's numbers and the library's counts.
        std::printf("{\"frames\": %lld, \"width\": %d, \"height\": %d, \"bits\": %d, \"seconds\": %.3f, "
                    "\"fps\": %.2f, \"camera_fps\": %.1f, \"stream\": %s}\n",
                    frames, static_cast<int>(width), static_cast<int>(height), static_cast<int>(bits), elapsed,
                    frames / elapsed, cameraRateX10 / 10.0, StreamCountsJson(handle).c_str());
        return kExitOk;
    }
    std::printf("live view: %lld frames of %d x %d at %d bits in %.1f s, %.1f fps (camera reports %.1f fps)\n", frames,
                static_cast<int>(width), static_cast<int>(height), static_cast<int>(bits), elapsed, frames / elapsed,
                cameraRateX10 / 10.0);
    std::printf("frames %s\n", StreamCountsLine(handle).c_str());
    return kExitOk;
}

}  // namespace

int LiveCommand(Arguments& args, const GlobalOptions& global) {
    std::vector<int32_t> devices;
    bool all = false;
    bool preview = false;
    LiveSettings settings;
    while (!args.Empty()) {
        const std::string option = args.Take();
        if (option == "-d" || option == "--device") {
            const auto value = args.TakeValue(option);
            if (!value || !ParseDeviceList(*value, option, &devices)) return kExitUsage;
            continue;
        }
        if (option == "--preview" || option == "--json" || option == "--all") {
            (option == "--json" ? settings.json : option == "--all" ? all : preview) = true;
            continue;
        }
        const OptionTaken shared = TakeCameraOption(option, args, settings.camera);
        if (shared == OptionTaken::Wrong) return kExitUsage;
        if (shared == OptionTaken::Yes) continue;
        const auto value = (option == "--seconds" || option == "--bits") ? args.TakeValue(option) : std::nullopt;
        if (option == "--seconds" && value) {
            const auto number = ParseNumber(*value, 0, 3600, option);
            if (!number) return kExitUsage;
            settings.seconds = static_cast<int32_t>(*number);
        } else if (option == "--bits" && value) {
            const auto parsed = ParseBits(*value, option);
            if (!parsed) return kExitUsage;
            settings.bits = *parsed;
        } else {
            if (!value && (option == "--seconds" || option == "--bits")) return kExitUsage;
            Complain("unknown option \"" + option + "\" for live");
            PrintCommandUsage("live", stderr);
            return kExitUsage;
        }
    }
    if (all && !devices.empty()) {
        Complain("--all and --device name the cameras twice: give one of them");
        return kExitUsage;
    }
    if (all || devices.size() > 1) {
        if (preview) {
            Complain("--preview shows one camera: give one --device");
            return kExitUsage;
        }
        return LiveMany(all ? std::vector<int32_t>{} : devices, settings, global);
    }
    return LiveOne(devices.empty() ? 0 : devices[0], preview, settings, global);
}

}  // namespace ovilux_tool
