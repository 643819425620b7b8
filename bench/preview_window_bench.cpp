// preview_window_bench.cpp - the preview window's painting, and live view with a window.
//
// Painting: a 2560 x 1920 24-bit picture into a top-level window of the same size (one flipped
// copy; on X11 through MIT-SHM where the server offers it) and into a 1280 x 960 window (the
// display copy: nearest-neighbour scaling, then a copy), milliseconds per frame including the
// wait until the display has the picture. Live view: full-size 24-bit frames from the simulated
// camera in fast mode, painted into a window, frames per second. Needs a display (DISPLAY on
// Linux, e.g. an Xvfb of 2816x2112x24).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <memory>

#include "OviluxSdk.h"
#include "OviluxSim.h"
#include "image/DibImage.h"
#include "image/PreviewConversion.h"
#include "platform/PreviewWindow.h"

namespace {

constexpr int32_t kWidth = 2560;
constexpr int32_t kHeight = 1920;
constexpr int32_t kColour24 = 2;

void PaintFrame(benchmark::State& state) {
    const auto clientWidth = static_cast<int32_t>(state.range(0));
    const auto clientHeight = clientWidth * 3 / 4;
    ovilux::image::DibImage picture;
    if (picture.Create(kWidth, kHeight, 24) == 0) {
        state.SkipWithError("no picture");
        return;
    }
    auto* bytes = static_cast<uint8_t*>(picture.Bits());
    for (size_t i = 0; i < static_cast<size_t>(picture.ImageBytes()); ++i) {
        bytes[i] = static_cast<uint8_t>(i * 7 + (i >> 12));
    }
    const ovilux::platform::PreviewPlacement placement{nullptr, 0, 0, 0, 0, clientWidth, clientHeight};
    std::unique_ptr<ovilux::platform::PreviewWindow> window =
        ovilux::platform::CreatePreviewWindow("VideoRenderer_bench", placement);
    if (!window) {
        state.SkipWithError("no window: no display?");
        return;
    }
    ovilux::image::DibImage displayCopy;
    int64_t painted = 0;
    for (auto _ : state) {
        int32_t width = 0, height = 0;
        const ovilux::platform::DcHandle dc = window->BeginPaint(&width, &height);
        if (dc != nullptr &&
            ovilux::image::PaintPreviewPicture(dc, width, height, kColour24, picture, displayCopy) != 0) {
            window->EndPaint();
            ++painted;
        }
    }
    state.counters["painted"] = static_cast<double>(painted);
}
BENCHMARK(PaintFrame)->Arg(kWidth)->Arg(kWidth / 2)->Unit(benchmark::kMillisecond)->UseRealTime();

void LiveViewWithWindow(benchmark::State& state) {
    if (OviluxSim_SetSpeed(OVILUX_SIM_SPEED_FAST) != 1 || OviluxSim_Attach(0x3030, 0) != 0) {
        state.SkipWithError("no simulated camera");
        return;
    }
    OVILUX_HWND messages = OviluxWnd_CreateMessageWindow();
    const uint32_t handle = Ovilux_Initialize(nullptr);
    if (handle == 0 || Ovilux_SetColorMode(handle, 24) != 1 || Ovilux_SetWaitTime(handle, 0) != 1 ||
        Ovilux_SetPreviewWindow(handle, nullptr, 0, 0, kWidth, kHeight) != 1 ||
        Ovilux_CallBackPreview(handle, messages, nullptr, 0, 1) != 1) {
        state.SkipWithError("live view with a window did not start");
        return;
    }
    const auto nextFrame = [messages] {
        uint32_t message = 0;
        uintptr_t wParam = 0;
        intptr_t lParam = 0;
        while (OviluxWnd_GetMessage(messages, 5000, &message, &wParam, &lParam) == 1) {
            if (message == OVILUX_WM_FRAME) {
                return wParam != 0;
            }
        }
        return false;
    };
    for (int i = 0; i < 5; ++i) {
        nextFrame();  // the first frames pay for the buffers
    }
    int64_t frames = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        if (!nextFrame()) {
            state.SkipWithError("frames stopped");
            break;
        }
        ++frames;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.counters["fps"] = seconds > 0 ? static_cast<double>(frames) / seconds : 0.0;
    Ovilux_Release(handle);
    OviluxWnd_DestroyWindow(messages);
    OviluxSim_Detach(0);
}
BENCHMARK(LiveViewWithWindow)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
