// Full-size 8-bit frames read by the controller as the transfer loop reads them, in fast mode,
// through two driver ports: the simulated bus, and libusb with its usbfs requests emulated by
// umockdev and answered by the same simulated camera. Besides frames per second, the CPU time
// per frame of the reading thread (the transport and the port's calls) and of the whole process
// (with libusb's event thread, umockdev's emulation and the simulated camera).
#include <benchmark/benchmark.h>

#include <time.h>

#include <memory>
#include <vector>

#include "platform/posix/LibusbDriverPort.h"
#include "sim/SimulatedBus.h"
#include "usb/OviCy3Cam.h"
#include "usbfs/EmulatedUsbBus.h"

namespace platform = ovilux::platform;
namespace sim = ovilux::sim;
namespace usb = ovilux::usb;

namespace {

constexpr uint16_t kWidth = 2592;
constexpr uint16_t kHeight = 1944;
constexpr uint8_t kSensorBus = 0x90;

double CpuSeconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

bool SensorWrite(usb::COviCy3Cam& cam, uint8_t reg, uint16_t value) {
    const uint8_t data[3] = {reg, static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
    return cam.I2cWrite(kSensorBus, data, 3, 3000) != 0;
}

std::unique_ptr<usb::COviCy3Cam> OpenFullWindow(platform::DriverPort& port, const char* table) {
    auto cam = std::make_unique<usb::COviCy3Cam>(port, nullptr, table);
    if (cam->EnumerateDevices() < 1 || !cam->SelectDevice(cam->GetRecordCount() - 1) ||
        !cam->InitializeTransferBuffer()) {
        return nullptr;
    }
    const bool ok = SensorWrite(*cam, 0x01, 52) && SensorWrite(*cam, 0x02, 16) &&
                    SensorWrite(*cam, 0x03, kHeight + 1) && SensorWrite(*cam, 0x04, kWidth + 1) &&
                    cam->FpgaWrite(68, kWidth & 0xFF) && cam->FpgaWrite(69, kWidth >> 8) &&
                    cam->FpgaWrite(64, kHeight & 0xFF) && cam->FpgaWrite(65, kHeight >> 8) &&
                    cam->FpgaWrite(60, 1) && cam->OpenStream();
    return ok ? std::move(cam) : nullptr;
}

void ReadFrames(benchmark::State& state, usb::COviCy3Cam* cam) {
    if (cam == nullptr) {
        state.SkipWithError("no camera");
        return;
    }
    std::vector<uint8_t> raw(static_cast<size_t>(kWidth) * kHeight * 2);
    usb::FrameDescriptor descriptor{};
    descriptor.buffer = raw.data();
    descriptor.capacity = static_cast<uint32_t>(raw.size());
    for (int warm = 0; warm < 4; ++warm) {  // the simulator renders its noise variants first
        if (cam->ReadFrameHeader(&descriptor, 0)) {
            cam->ReadFramePayload(&descriptor, 3000);
        }
    }
    const double threadStart = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    const double processStart = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    for (auto _ : state) {
        if (!cam->ReadFrameHeader(&descriptor, 0) || !cam->ReadFramePayload(&descriptor, 3000)) {
            state.SkipWithError("frame read failed");
            break;
        }
        benchmark::DoNotOptimize(raw.data());
    }
    const double frames = static_cast<double>(state.iterations());
    state.counters["frames/s"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
    state.counters["reader_cpu_ms/frame"] = (CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - threadStart) * 1e3 / frames;
    state.counters["process_cpu_ms/frame"] = (CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processStart) * 1e3 / frames;
}

void SimulatedPort(benchmark::State& state) {
    sim::CSimulatedBus& bus = sim::CSimulatedBus::Instance();
    bus.SetSpeed(sim::SimSpeed::Fast);
    const int32_t port = bus.Attach(0x3030, -1);
    auto cam = port >= 0 ? OpenFullWindow(bus, "ovilux-bench-simulated") : nullptr;
    ReadFrames(state, cam.get());
    cam.reset();
    bus.Detach(port);
}

void LibusbPort(benchmark::State& state) {
    ovilux::test::EmulatedUsbBus& emulation = ovilux::test::EmulatedUsbBus::Instance();
    const bool plugged = emulation.Plug(0x3030, 1) != nullptr;
    platform::LibusbDriverPort& port = platform::LibusbDriverPort::Instance();
    // libusb hears of the camera on its own thread.
    for (int wait = 0; plugged && wait < 500 && port.EnumerateInterfaces(platform::kFx3DriverGuid).empty(); ++wait) {
        timespec pause{0, 10000000};
        nanosleep(&pause, nullptr);
    }
    auto cam = plugged ? OpenFullWindow(port, "ovilux-bench-libusb") : nullptr;
    ReadFrames(state, cam.get());
    cam.reset();
    emulation.Unplug(1);
}

BENCHMARK(SimulatedPort)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(LibusbPort)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
