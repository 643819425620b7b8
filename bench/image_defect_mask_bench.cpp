// image_defect_mask_bench.cpp - the mask filter and the dot filter on a full 2592 x 1944 raw
// frame, 8 and 16-bit: a gradient with noise, references of a dark and a bright field, and a
// few hundred flagged defects.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>

#include "image/DibImage.h"
#include "image/mask/DefectMask.h"
#include "image/mask/DotFilter.h"
#include "image/mask/MaskFilter.h"

using namespace ovilux::image;
using namespace ovilux::image::mask;

namespace {

void FillFrame(DibImage& raw, uint32_t maxValue) {
    std::mt19937 rng(7);
    auto* bits = static_cast<uint8_t*>(raw.Bits());
    for (int y = 0; y < kMaskHeight; ++y) {
        for (int x = 0; x < kMaskWidth; ++x) {
            const uint32_t v = static_cast<uint32_t>(x + y) * (maxValue / 2) / (kMaskWidth + kMaskHeight) +
                               rng() % (maxValue / 16);
            if (raw.BitsPerPixel() == 8) {
                bits[y * raw.Stride() + x] = static_cast<uint8_t>(v);
            } else {
                reinterpret_cast<uint16_t*>(bits + y * raw.Stride())[x] = static_cast<uint16_t>(v);
            }
        }
    }
}

std::unique_ptr<DefectMask> RecordedMask() {
    std::unique_ptr<DefectMask> mask = MakeBlankDefectMask();
    std::mt19937 rng(11);
    for (size_t i = 0; i < kMaskPixels; ++i) {
        mask->references.dark8[i] = static_cast<uint8_t>(rng() % 12);
        mask->references.bright8[i] = static_cast<uint8_t>(230 + rng() % 20);
        mask->references.dark16[i] = static_cast<uint16_t>(rng() % 200);
        mask->references.bright16[i] = static_cast<uint16_t>(3700 + rng() % 300);
    }
    for (int i = 0; i < 300; ++i) {
        mask->references.dark8[rng() % kMaskPixels] = 255;
        mask->references.bright16[rng() % kMaskPixels] = 0;
    }
    RebuildAllMarks(*mask);
    return mask;
}

template <typename Step>
void RunStep(benchmark::State& state, uint16_t bits, Step step) {
    DibImage frame, work;
    std::unique_ptr<DefectMask> mask = RecordedMask();
    if (!mask || frame.Create(kMaskWidth, kMaskHeight, bits) == 0 || work.CopyFormat(&frame) == 0) {
        state.SkipWithError("images could not be made");
        return;
    }
    FillFrame(frame, bits == 8 ? 255 : 4095);
    const FramePlacement placement{0, 0, 2};
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(work.Bits(), frame.Bits(), static_cast<size_t>(frame.ImageBytes()));
        state.ResumeTiming();
        step(work, *mask, placement);
        benchmark::DoNotOptimize(work.Bits());
    }
}

void MaskFilter(benchmark::State& state, uint16_t bits) {
    RunStep(state, bits, [](DibImage& raw, DefectMask& mask, const FramePlacement& at) {
        ApplyMaskFilter(raw, mask.references, at);
    });
}

void DotFilter(benchmark::State& state, uint16_t bits) {
    RunStep(state, bits, [](DibImage& raw, DefectMask& mask, const FramePlacement& at) { ApplyDotFilter(raw, mask, at); });
}

}  // namespace

BENCHMARK_CAPTURE(MaskFilter, 8bit, 8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MaskFilter, 16bit, 16)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DotFilter, 8bit, 8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DotFilter, 16bit, 16)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
