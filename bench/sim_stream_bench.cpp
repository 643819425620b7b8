// Frames per second that the simulated M03 delivers through the driver port in fast mode, read
// as the library reads them: prepare, 64-byte header, payload in 512 KiB direct transfers.
#include <benchmark/benchmark.h>

#include <vector>

#include "platform/DriverPort.h"
#include "sim/SimHost.h"
#include "sim/SimCamera.h"
#include "sim/SimulatedBus.h"

namespace platform = ovilux::platform;
namespace sim = ovilux::sim;
using ovilux::simtest::DirectRead;
using ovilux::simtest::Le32;
using ovilux::simtest::SimHost;

namespace {

constexpr uint32_t kChunk = 0x80000;
constexpr uint32_t kWidth = 2592;
constexpr uint32_t kHeight = 1944;

bool ReadChunk(SimHost& host, uint8_t* data, uint32_t length) {
    DirectRead read;
    platform::IoResult result = read.Begin(host.Port(), host.StreamHandle(), data, length);
    if (!result.ok && result.error != platform::win32_error::kIoPending) {
        return false;
    }
    result = read.Collect(host.Port(), host.StreamHandle(), true);
    return result.ok && read.NtStatus() == 0;
}

void FullFrames(benchmark::State& state) {
    const bool sixteen = state.range(0) == 16;
    sim::CSimulatedBus& bus = sim::CSimulatedBus::Instance();
    bus.SetSpeed(sim::SimSpeed::Fast);
    const int32_t port = bus.Attach(0x3030, -1);
    SimHost host(platform::ActiveDriverPort());
    if (port < 0 || !host.Open(bus.Camera(port)->Path()) || !host.SetWindow(0, 0, kWidth, kHeight, 0) ||
        !host.SetPixelWidth16(sixteen)) {
        state.SkipWithError("no simulated camera");
        return;
    }
    std::vector<uint8_t> header(64);
    std::vector<uint8_t> raw(static_cast<size_t>(kWidth) * kHeight * 2);
    // The noise variants render once, on first use; measure the steady state.
    for (int warm = 0; warm < 4; ++warm) {
        host.PrepareRead();
        ReadChunk(host, header.data(), 64);
    }
    uint64_t bytes = 0;
    for (auto _ : state) {
        if (!host.PrepareRead() || !ReadChunk(host, header.data(), 64)) {
            state.SkipWithError("header failed");
            break;
        }
        const uint32_t size = Le32(&header[16]);
        for (uint32_t offset = 0; offset < size; offset += kChunk) {
            if (!ReadChunk(host, raw.data() + offset, std::min(kChunk, size - offset))) {
                state.SkipWithError("payload failed");
                break;
            }
        }
        bytes += size;
        benchmark::DoNotOptimize(raw.data());
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    bus.Detach(port);
}

BENCHMARK(FullFrames)->Arg(8)->Arg(16)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
