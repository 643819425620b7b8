// image_dot_filter_bench.cpp - isolated-dot suppression on a 2560 x 1920 raw frame (noise on a
// gradient with a few hot samples), 8 and 16-bit, the fast form beside the plain one; and on an
// 8-bit frame of coloured patches with many bright samples, where the full test runs often.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "image/DibImage.h"
#include "image/filters/DotSuppression.h"

using namespace ovilux::image;

namespace {

constexpr int kWidth = 2560;
constexpr int kHeight = 1920;

void FillFrame(DibImage& raw, uint32_t maxValue) {
    std::mt19937 rng(7);
    auto* bits = static_cast<uint8_t*>(raw.Bits());
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            uint32_t v = (static_cast<uint32_t>(x + y) * (maxValue / 2) / (kWidth + kHeight) + rng() % (maxValue / 16));
            if (rng() % 5000 == 0) {
                v = maxValue;  // a hot sample
            }
            if (raw.BitsPerPixel() == 8) {
                bits[y * raw.Stride() + x] = static_cast<uint8_t>(v);
            } else {
                reinterpret_cast<uint16_t*>(bits + y * raw.Stride())[x] = static_cast<uint16_t>(v);
            }
        }
    }
}

// Patches of 32 x 32 samples, each of its own colour (mode 1: R G / G B), one sample in ten
// lifted by 20 to 120.
void FillColourPatches(DibImage& raw) {
    std::mt19937 rng(11);
    auto* bits = static_cast<uint8_t*>(raw.Bits());
    std::vector<uint32_t> levels(3 * (kWidth / 32) * (kHeight / 32));
    for (uint32_t& level : levels) {
        level = rng() % 256;
    }
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const int channel = (x & 1) == 1 && (y & 1) == 1 ? 0 : ((x & 1) == 0 && (y & 1) == 0 ? 2 : 1);
            uint32_t v = levels[3 * ((y / 32) * (kWidth / 32) + x / 32) + channel];
            if (rng() % 10 == 0) {
                v = std::min<uint32_t>(255, v + 20 + static_cast<uint32_t>(rng() % 100));
            }
            bits[y * raw.Stride() + x] = static_cast<uint8_t>(v);
        }
    }
}

void DotSuppression(benchmark::State& state, uint16_t bits, int (*suppress)(DibImage&, const GainRecord&),
                    bool colourPatches = false) {
    DibImage frame, work;
    if (frame.Create(kWidth, kHeight, bits) == 0 || work.CopyFormat(&frame) == 0) {
        state.SkipWithError("images could not be made");
        return;
    }
    if (colourPatches) {
        FillColourPatches(frame);
    } else {
        FillFrame(frame, bits == 8 ? 255 : 4095);
    }
    const GainRecord gains{1, 130, 100, 170};
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(work.Bits(), frame.Bits(), static_cast<size_t>(frame.ImageBytes()));
        state.ResumeTiming();
        benchmark::DoNotOptimize(suppress(work, gains));
    }
}

}  // namespace

BENCHMARK_CAPTURE(DotSuppression, fast_8bit, 8, ovilux::image::filters::SuppressIsolatedDots)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DotSuppression, plain_8bit, 8, ovilux::image::filters::SuppressIsolatedDotsReference)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DotSuppression, fast_16bit, 16, ovilux::image::filters::SuppressIsolatedDots)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DotSuppression, plain_16bit, 16, ovilux::image::filters::SuppressIsolatedDotsReference)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
BENCHMARK_CAPTURE(DotSuppression, fast_8bit_colour_patches, 8, ovilux::image::filters::SuppressIsolatedDots, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DotSuppression, plain_8bit_colour_patches, 8, ovilux::image::filters::SuppressIsolatedDotsReference, true)
    ->Unit(benchmark::kMillisecond);
