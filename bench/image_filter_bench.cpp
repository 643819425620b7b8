// image_filter_bench.cpp - the adjustment steps on a 2560 x 1920 24-bit frame, each beside its
// nearest OpenCV counterpart on one thread, and the chain from the raw frame with every step on.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "image/Demosaic.h"
#include "image/DibImage.h"
#include "image/filters/BandedChain.h"
#include "image/filters/DotSuppression.h"
#include "image/filters/HueSaturation.h"
#include "image/filters/Sharpen.h"
#include "image/filters/ToneCurves.h"
#include "image/filters/WhiteBalance.h"

using namespace ovilux::image;
using namespace ovilux::image::filters;

namespace {

constexpr int kWidth = 2560;
constexpr int kHeight = 1920;

// A gradient under noise, so neither branches nor caches see a flat frame.
void Fill(DibImage& image, uint32_t maxValue) {
    std::mt19937 rng(7);
    const bool wide = image.BitsPerPixel() == 16 || image.BitsPerPixel() >= 48;
    const int samples = image.Width() * image.BytesPerPixel() / (wide ? 2 : 1);
    for (int y = 0; y < image.Height(); ++y) {
        auto* row = static_cast<uint8_t*>(image.Bits()) + static_cast<ptrdiff_t>(y) * image.Stride();
        for (int i = 0; i < samples; ++i) {
            const uint32_t v = (static_cast<uint32_t>(i / 3 + y + (i % 3) * 700) * maxValue / (kWidth + kHeight) + rng() % 64) % (maxValue + 1);
            if (wide) {
                reinterpret_cast<uint16_t*>(row)[i] = static_cast<uint16_t>(v);
            } else {
                row[i] = static_cast<uint8_t>(v);
            }
        }
    }
}

// Runs step on a fresh copy of a filled frame each iteration; the copy is not timed.
void OnFrame(benchmark::State& state, uint16_t bits, const std::function<void(DibImage&)>& step) {
    DibImage pristine, frame;
    if (pristine.Create(kWidth, kHeight, bits) == 0 || frame.Create(kWidth, kHeight, bits) == 0) {
        state.SkipWithError("images could not be made");
        return;
    }
    Fill(pristine, bits == 24 || bits == 32 ? 255 : 4095);
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(frame.Bits(), pristine.Bits(), static_cast<size_t>(pristine.ImageBytes()));
        state.ResumeTiming();
        step(frame);
        benchmark::DoNotOptimize(frame.Bits());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

// The same frame as an OpenCV matrix, and a step from it into another matrix.
void OnMat(benchmark::State& state, const std::function<void(const cv::Mat&, cv::Mat&)>& step) {
    cv::setNumThreads(1);
    DibImage frame;
    frame.Create(kWidth, kHeight, 24);
    Fill(frame, 255);
    const cv::Mat source(kHeight, kWidth, CV_8UC3, frame.Bits(), frame.Stride());
    cv::Mat result;
    for (auto _ : state) {
        step(source, result);
        benchmark::DoNotOptimize(result.data);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

cv::Mat ToneLut(int32_t gamma, int32_t contrast, int32_t brightness) {
    cv::Mat lut(1, 256, CV_8U);
    for (int v = 0; v < 256; ++v) {
        int32_t s = gamma != kUnityGamma ? GammaSample(v, gamma, 255) : v;
        s = contrast != 0 ? ContrastSample(s, contrast, 255) : s;
        lut.at<uint8_t>(v) = static_cast<uint8_t>(brightness != 0 ? BrightnessSample(s, brightness, 255) : s);
    }
    return lut;
}

void BM_Gamma(benchmark::State& state) { OnFrame(state, 24, [](DibImage& f) { ApplyGamma(f, 50); }); }
void BM_Contrast(benchmark::State& state) { OnFrame(state, 24, [](DibImage& f) { ApplyContrast(f, 40); }); }
void BM_Brightness(benchmark::State& state) { OnFrame(state, 24, [](DibImage& f) { ApplyBrightness(f, -30); }); }
void BM_TonesFused(benchmark::State& state) { OnFrame(state, 24, [](DibImage& f) { ApplyTones(f, 50, 40, -30); }); }
void BM_OpenCvLut(benchmark::State& state) {
    const cv::Mat lut = ToneLut(50, 0, 0);
    OnMat(state, [&](const cv::Mat& s, cv::Mat& r) { cv::LUT(s, lut, r); });
}
void BM_Sharpen(benchmark::State& state) { OnFrame(state, 24, [](DibImage& f) { Sharpen(f, 10); }); }
void BM_SharpenPlain(benchmark::State& state) { OnFrame(state, 24, [](DibImage& f) { SharpenReference(f, 10); }); }
void BM_OpenCvBlurAddWeighted(benchmark::State& state) {
    cv::Mat blurred;
    OnMat(state, [&](const cv::Mat& s, cv::Mat& r) {
        cv::blur(s, blurred, cv::Size(4, 4), cv::Point(2, 2));
        cv::addWeighted(s, 2.0, blurred, -1.0, 0.0, r);
    });
}
void BM_HueSaturation(benchmark::State& state) { OnFrame(state, 24, [](DibImage& f) { ShiftHueSaturation(f, 30, 40); }); }
void BM_OpenCvHlsRoundTrip(benchmark::State& state) {
    cv::Mat hls;
    OnMat(state, [&](const cv::Mat& s, cv::Mat& r) {
        cv::cvtColor(s, hls, cv::COLOR_BGR2HLS);
        cv::cvtColor(hls, r, cv::COLOR_HLS2BGR);
    });
}
void BM_Sharpen48(benchmark::State& state) { OnFrame(state, 48, [](DibImage& f) { Sharpen(f, 10); }); }
void BM_HueSaturation48(benchmark::State& state) { OnFrame(state, 48, [](DibImage& f) { ShiftHueSaturation(f, 30, 40); }); }
void BM_TonesFused48(benchmark::State& state) { OnFrame(state, 48, [](DibImage& f) { ApplyTones(f, 50, 40, -30); }); }

// The chain with every step on, from the raw frame, as a session runs it: isolated-dot
// suppression, the white-balance measurement, then the demosaic, hue and saturation, gamma and
// contrast, sharpening and brightness worked band of rows by band.
void Chain(benchmark::State& state, uint16_t rawBits, uint16_t colourBits) {
    DibImage raw, colour;
    if (raw.Create(kWidth, kHeight, rawBits) == 0 || colour.Create(kWidth, kHeight, colourBits) == 0) {
        state.SkipWithError("images could not be made");
        return;
    }
    Fill(raw, rawBits == 8 ? 255 : 4095);
    GainRecord gains{1, 130, 100, 170};
    for (auto _ : state) {
        SuppressIsolatedDots(raw, gains);
        MeasureWhiteBalance(raw, gains.bayerMode, gains.redGain, gains.blueGain);
        DemosaicAndAdjust(colour, &raw, gains, Adjustments{30, 40, 50, 40, 10, -30});
        benchmark::DoNotOptimize(colour.Bits());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
void BM_Chain8To24(benchmark::State& state) { Chain(state, 8, 24); }
void BM_Chain16To48(benchmark::State& state) { Chain(state, 16, 48); }

}  // namespace

BENCHMARK(BM_Gamma)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Contrast)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Brightness)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_TonesFused)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_OpenCvLut)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Sharpen)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_SharpenPlain)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_OpenCvBlurAddWeighted)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_HueSaturation)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_OpenCvHlsRoundTrip)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_TonesFused48)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Sharpen48)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_HueSaturation48)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Chain8To24)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Chain16To48)->Unit(benchmark::kMillisecond)->MinTime(1.0);

BENCHMARK_MAIN();
