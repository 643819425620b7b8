// The AVI writer's time per full-size 24-bit frame beside plain write() calls of the same bytes
// into a file in the same folder, in the same run.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "image/files/AviWriter.h"

namespace {

constexpr int32_t kWidth = 2592;
constexpr int32_t kHeight = 1944;
constexpr int kFramesPerFile = 30;

std::string BenchFile(const char* name) {
    const char* folder = std::getenv("OVILUX_BENCH_DIR");
    return (std::filesystem::path(folder != nullptr ? folder : ".") / name).string();
}

void AviWriterFrame(benchmark::State& state) {
    const std::string file = BenchFile("bench.avi");
    ovilux::image::CAviWriter writer;
    std::vector<uint8_t> frame(ovilux::image::AviFrameBytes(kWidth, kHeight), 0x5A);
    for (auto _ : state) {
        if (!writer.IsOpen() || writer.FrameCount() == kFramesPerFile) {
            writer.Finalize(1400);
            writer.Open(file.c_str(), kWidth, kHeight);
        }
        benchmark::DoNotOptimize(writer.AddFrame(frame.data()));
    }
    writer.Finalize(1400);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(frame.size()));
    std::filesystem::remove(file);
}

void PlainWriteFrame(benchmark::State& state) {
    const std::string file = BenchFile("bench.raw");
    std::vector<uint8_t> frame(ovilux::image::AviFrameBytes(kWidth, kHeight), 0x5A);
    int fd = -1;
    int written = 0;
    for (auto _ : state) {
        if (fd < 0 || written == kFramesPerFile) {
            if (fd >= 0) close(fd);
            fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            written = 0;
        }
        benchmark::DoNotOptimize(write(fd, frame.data(), frame.size()));
        ++written;
    }
    close(fd);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(frame.size()));
    std::filesystem::remove(file);
}

}  // namespace

BENCHMARK(AviWriterFrame)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(PlainWriteFrame)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(AviWriterFrame)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(PlainWriteFrame)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK_MAIN();
