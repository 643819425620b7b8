// Frames through the camera device object on the simulated M03: StartTransfer, WaitFrame and
// GetNextFrame at full size with 8-bit samples, as fast as the camera delivers (fast mode), and
// the frames lost over 30 s at the sensor's own pace (realtime mode).
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "camera/OviluxUXBase.h"
#include "platform/Clock.h"
#include "sim/SimulatedBus.h"

using namespace ovilux;

namespace {

constexpr size_t kFullFrame = 2592u * 1944u;

std::unique_ptr<camera::COviluxUXSimpleSdk> OpenSimulatedCamera(sim::SimSpeed speed) {
    sim::CSimulatedBus& bus = sim::CSimulatedBus::Instance();
    bus.SetSpeed(speed);
    if (bus.List().empty()) {
        bus.Attach(0x3030, -1);
    }
    auto device = std::make_unique<camera::COviluxUXSimpleSdk>();
    device->SetDriverPort(&bus);
    device->CreateController(nullptr, nullptr);
    device->SetProductId(0x3030);
    device->CountDevices(0x3030);
    for (int32_t number = 0; number < 32; ++number) {
        if (device->IsDeviceNumberValid(number) && device->OpenDevice(number)) {
            device->SetPixelWidth(0);
            device->SetCaptureWindow(0, 0, 2592, 1944, 0);
            return device;
        }
    }
    return nullptr;
}

void FastStreaming(benchmark::State& state) {
    auto device = OpenSimulatedCamera(sim::SimSpeed::Fast);
    if (!device || !device->StartTransfer(0)) {
        state.SkipWithError("no simulated camera");
        return;
    }
    std::vector<uint8_t> frame(kFullFrame);
    int64_t frames = 0;
    for (auto _ : state) {
        while (device->WaitFrame(3000) != 3) {
        }
        device->GetNextFrame(frame.data(), static_cast<int32_t>(frame.size()), 0, 0, 1);
        ++frames;
    }
    device->StopTransfer();
    state.counters["frames_per_s"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}
BENCHMARK(FastStreaming)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5.0);

void RealtimeLostFrames(benchmark::State& state) {
    auto device = OpenSimulatedCamera(sim::SimSpeed::Realtime);
    if (!device) {
        state.SkipWithError("no simulated camera");
        return;
    }
    std::vector<uint8_t> frame(kFullFrame);
    int64_t delivered = 0;
    for (auto _ : state) {
        device->StartTransfer(0);
        const uint32_t start = platform::TimeGetTime();
        while (platform::ElapsedMs(start, platform::TimeGetTime()) < 30000) {
            if (device->WaitFrame(1000) == 3) {
                device->GetNextFrame(frame.data(), static_cast<int32_t>(frame.size()), 0, 0, 1);
                ++delivered;
            }
        }
        state.counters["lost_frames"] = static_cast<double>(device->Losses().missing);
        device->StopTransfer();
    }
    state.counters["frames_taken"] = static_cast<double>(delivered);
    state.counters["frames_per_s"] = static_cast<double>(delivered) / 30.0;
}
BENCHMARK(RealtimeLostFrames)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
