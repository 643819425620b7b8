// api_live_view_bench.cpp - live view through the C API with delivery into the application's
// buffer and a message per frame: full size (2560 x 1920), 24 or 8-bit, at the default settings
// (which run the isolated-dot suppression) or with every step of the image chain on, the
// simulated camera in fast mode (frames as fast as they are read). Reports frames per second and the process's
// CPU milliseconds per frame (the simulated camera renders in the same process, so its work is
// part of that figure). The third argument switches the defect mask's two filters on, the fourth
// is the exposure in microseconds.
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <vector>

#include "OviluxSdk.h"
#include "OviluxSettings.h"
#include "OviluxSim.h"

namespace {

void LiveViewCallbackDelivery(benchmark::State& state) {
    const int32_t bits = static_cast<int32_t>(state.range(0));
    const bool everyStep = state.range(1) != 0;
    const int32_t defectFilters = static_cast<int32_t>(state.range(2));
    const auto exposureMicroseconds = static_cast<int32_t>(state.range(3));
    if (OviluxSim_SetSpeed(OVILUX_SIM_SPEED_FAST) != 1 || OviluxSim_Attach(0x3030, 0) != 0) {
        state.SkipWithError("no simulated camera");
        return;
    }
    // Stored settings outlive a session: every run starts from the defaults, or one case would
    // inherit the steps another switched on.
    OviluxSettings_Reset(0);
    OVILUX_HWND window = OviluxWnd_CreateMessageWindow();
    const uint32_t handle = Ovilux_Initialize(nullptr);
    std::vector<uint8_t> buffer(static_cast<size_t>((2560 * bits / 8 + 3) & ~3) * 1920);
    if (everyStep && handle != 0) {
        Ovilux_SetBayerGainAuto(handle, 1);
        Ovilux_SetHue(handle, 30);
        Ovilux_SetSaturation(handle, 40);
        Ovilux_SetGamma(handle, 50);
        Ovilux_SetContrast(handle, 40);
        Ovilux_SetSharpness(handle, 10);
        Ovilux_SetBrightness(handle, -30);
    }
    if (handle == 0 || Ovilux_SetColorMode(handle, bits) != 1 || Ovilux_SetWaitTime(handle, 0) != 1 ||
        Ovilux_SetRealExposureTime(handle, exposureMicroseconds) != 1 || Ovilux_SetMaskFilter(handle, defectFilters) != 1 || Ovilux_SetDotFilter(handle, defectFilters) != 1 ||
        Ovilux_CallBackPreview(handle, window, buffer.data(), static_cast<int32_t>(buffer.size()), 1) != 1) {
        state.SkipWithError("live view did not start");
        return;
    }
    const auto nextFrame = [window] {
        uint32_t message = 0;
        uintptr_t wParam = 0;
        intptr_t lParam = 0;
        while (OviluxWnd_GetMessage(window, 5000, &message, &wParam, &lParam) == 1) {
            if (message == OVILUX_WM_FRAME) {
                return wParam != 0;
            }
        }
        return false;
    };
    // Settle: the first frames pay for buffer allocation.
    for (int i = 0; i < 5; ++i) {
        nextFrame();
    }
    int64_t frames = 0;
    const std::clock_t cpuStart = std::clock();
    const auto wallStart = std::chrono::steady_clock::now();
    for (auto _ : state) {
        if (!nextFrame()) {
            state.SkipWithError("a frame did not arrive");
            break;
        }
        ++frames;
    }
    const double wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    const double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    Ovilux_Release(handle);
    OviluxWnd_DestroyWindow(window);
    OviluxSim_Detach(0);
    if (frames > 0) {
        state.counters["frames_per_s"] = static_cast<double>(frames) / wallSeconds;
        state.counters["cpu_ms_per_frame"] = cpuMs / static_cast<double>(frames);
    }
}

BENCHMARK(LiveViewCallbackDelivery)
    ->ArgNames({"bits", "every_step", "defect_filters", "exposure_us"})
    ->Args({24, 0, 0, 10000})
    ->Args({24, 0, 0, 66600})
    ->Args({8, 0, 0, 10000})
    ->Args({24, 1, 0, 10000})
    ->Args({24, 0, 1, 10000})
    ->Args({24, 1, 1, 10000})
    ->Iterations(300)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
