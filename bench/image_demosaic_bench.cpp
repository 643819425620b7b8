// image_demosaic_bench.cpp - the demosaic of a full 2592 x 1944 frame (inner and border pass),
// 8-bit into 24-bit and 16-bit into 48-bit, beside OpenCV's bilinear cvtColor on one thread.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cstring>
#include <random>

#include "image/Demosaic.h"
#include "image/DemosaicSimd.h"
#include "image/DibImage.h"

using namespace ovilux::image;

namespace {

constexpr int kWidth = 2592;
constexpr int kHeight = 1944;

// Fills an image's rows with noise on a gradient, so no branch or cache trick sees a flat frame.
void FillRaw(DibImage& raw, uint32_t maxValue) {
    std::mt19937 rng(42);
    auto* bits = static_cast<uint8_t*>(raw.Bits());
    for (int y = 0; y < raw.Height(); ++y) {
        for (int x = 0; x < raw.Width(); ++x) {
            const uint32_t v = (static_cast<uint32_t>(x + y) * maxValue / (kWidth + kHeight) + rng() % 64) % (maxValue + 1);
            if (raw.BitsPerPixel() == 8) {
                bits[y * raw.Stride() + x] = static_cast<uint8_t>(v);
            } else {
                reinterpret_cast<uint16_t*>(bits + y * raw.Stride())[x] = static_cast<uint16_t>(v);
            }
        }
    }
}

using ovilux::image::detail::VectorIsa;

// isa caps the instruction set, to show what a processor without AVX2 (or SSE4.1) gets.
void OurDemosaic(benchmark::State& state, uint16_t rawBits, uint16_t colourBits, PixelConverter inner,
                 PixelConverter border, VectorIsa isa = VectorIsa::Avx2) {
    ovilux::image::detail::LimitVectorIsa(isa);
    DibImage raw, colour;
    if (raw.Create(kWidth, kHeight, rawBits) == 0 || colour.Create(kWidth, kHeight, colourBits) == 0) {
        state.SkipWithError("images could not be made");
        return;
    }
    FillRaw(raw, rawBits == 8 ? 255 : 4095);
    GainRecord gains{1, 130, 100, 170};
    for (auto _ : state) {
        DibImage::ConvertBlit(&colour, inner, &raw, nullptr, &gains, nullptr);
        DibImage::ConvertBlit(&colour, border, &raw, nullptr, &gains, nullptr);
        benchmark::DoNotOptimize(colour.Bits());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
    ovilux::image::detail::LimitVectorIsa(VectorIsa::Avx2);
}

void OpenCvDemosaic(benchmark::State& state, uint16_t rawBits) {
    cv::setNumThreads(1);
    DibImage raw;
    raw.Create(kWidth, kHeight, rawBits);
    FillRaw(raw, rawBits == 8 ? 255 : 4095);
    const cv::Mat source(kHeight, kWidth, rawBits == 8 ? CV_8UC1 : CV_16UC1, raw.Bits(), raw.Stride());
    cv::Mat colour;
    for (auto _ : state) {
        cv::cvtColor(source, colour, cv::COLOR_BayerRG2BGR);
        benchmark::DoNotOptimize(colour.data);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_Ovilux8To24(benchmark::State& state) { OurDemosaic(state, 8, 24, DemosaicInner8, DemosaicBorder8); }
void BM_OpenCv8To24(benchmark::State& state) { OpenCvDemosaic(state, 8); }
void BM_Ovilux16To48(benchmark::State& state) { OurDemosaic(state, 16, 48, DemosaicInner16, DemosaicBorder16); }
void BM_OpenCv16To48(benchmark::State& state) { OpenCvDemosaic(state, 16); }
void BM_Ovilux8To24Sse41(benchmark::State& state) {
    OurDemosaic(state, 8, 24, DemosaicInner8, DemosaicBorder8, VectorIsa::Sse41);
}
void BM_Ovilux16To48Sse41(benchmark::State& state) {
    OurDemosaic(state, 16, 48, DemosaicInner16, DemosaicBorder16, VectorIsa::Sse41);
}
void BM_Ovilux8To32(benchmark::State& state) { OurDemosaic(state, 8, 32, DemosaicInner8, DemosaicBorder8); }
void BM_Ovilux16To64(benchmark::State& state) { OurDemosaic(state, 16, 64, DemosaicInner16, DemosaicBorder16); }

}  // namespace

BENCHMARK(BM_Ovilux8To24)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_OpenCv8To24)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Ovilux16To48)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_OpenCv16To48)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Ovilux8To24Sse41)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Ovilux16To48Sse41)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Ovilux8To32)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Ovilux16To64)->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK_MAIN();
