// The controller's frame reads against the simulated M03 in fast mode: full frames read as the
// transfer loop reads them (header with PrepareRead, payload in 512 KiB direct transfers), and
// the cost of one enumeration of the shared device table.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/DriverPort.h"
#include "sim/SimulatedBus.h"
#include "usb/OviCy3Cam.h"

namespace platform = ovilux::platform;
namespace sim = ovilux::sim;
namespace usb = ovilux::usb;

namespace {

constexpr uint16_t kWidth = 2592;
constexpr uint16_t kHeight = 1944;
constexpr uint8_t kSensorBus = 0x90;

bool SensorWrite(usb::COviCy3Cam& cam, uint8_t reg, uint16_t value) {
    const uint8_t data[3] = {reg, static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
    return cam.I2cWrite(kSensorBus, data, 3, 3000) != 0;
}

// A controller on a freshly plugged camera with the full window; null when that fails.
std::unique_ptr<usb::COviCy3Cam> OpenFullWindow(bool sixteen) {
    auto cam = std::make_unique<usb::COviCy3Cam>(platform::ActiveDriverPort(), nullptr, "ovilux-usb-bench");
    if (cam->EnumerateDevices() < 1 || !cam->SelectDevice(cam->GetRecordCount() - 1) ||
        !cam->InitializeTransferBuffer()) {
        return nullptr;
    }
    const bool ok = SensorWrite(*cam, 0x01, 52) && SensorWrite(*cam, 0x02, 16) &&
                    SensorWrite(*cam, 0x03, kHeight + 1) && SensorWrite(*cam, 0x04, kWidth + 1) &&
                    cam->FpgaWrite(68, kWidth & 0xFF) && cam->FpgaWrite(69, kWidth >> 8) &&
                    cam->FpgaWrite(64, kHeight & 0xFF) && cam->FpgaWrite(65, kHeight >> 8) &&
                    cam->FpgaWrite(60, sixteen ? 2 : 1) && cam->OpenStream();
    return ok ? std::move(cam) : nullptr;
}

void FullFrameReads(benchmark::State& state) {
    sim::CSimulatedBus& bus = sim::CSimulatedBus::Instance();
    bus.SetSpeed(sim::SimSpeed::Fast);
    const int32_t port = bus.Attach(0x3030, -1);
    auto cam = port >= 0 ? OpenFullWindow(state.range(0) == 16) : nullptr;
    if (cam == nullptr) {
        state.SkipWithError("no simulated camera");
        bus.Detach(port);
        return;
    }
    std::vector<uint8_t> raw(static_cast<size_t>(kWidth) * kHeight * 2);
    usb::FrameDescriptor descriptor{};
    descriptor.buffer = raw.data();
    descriptor.capacity = static_cast<uint32_t>(raw.size());
    // The simulator renders its noise variants on first use; measure the steady state.
    for (int warm = 0; warm < 4; ++warm) {
        if (cam->ReadFrameHeader(&descriptor, 0)) {
            cam->ReadFramePayload(&descriptor, 3000);
        }
    }
    uint64_t bytes = 0;
    for (auto _ : state) {
        if (!cam->ReadFrameHeader(&descriptor, 0) || !cam->ReadFramePayload(&descriptor, 3000)) {
            state.SkipWithError("frame read failed");
            break;
        }
        bytes += descriptor.header[16] | (descriptor.header[17] << 8) | (descriptor.header[18] << 16);
        benchmark::DoNotOptimize(raw.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    cam.reset();
    bus.Detach(port);
}

void Enumeration(benchmark::State& state) {
    sim::CSimulatedBus& bus = sim::CSimulatedBus::Instance();
    std::vector<int32_t> ports;
    for (int64_t i = 0; i < state.range(0); ++i) {
        ports.push_back(bus.Attach(0x3030, -1));
    }
    usb::CFx3Api api(platform::ActiveDriverPort(), nullptr, "ovilux-usb-bench-enumeration");
    for (auto _ : state) {
        benchmark::DoNotOptimize(api.EnumerateDevices());
    }
    for (int32_t port : ports) {
        bus.Detach(port);
    }
}

BENCHMARK(FullFrameReads)->Arg(8)->Arg(16)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Enumeration)->Arg(1)->Arg(4)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
