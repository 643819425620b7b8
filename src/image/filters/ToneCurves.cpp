// ToneCurves.cpp - gamma, contrast and brightness tables and their application.
//
// The tables cover the sample range the image really holds: 0 .. 255 for 8-bit channels and
// 0 .. 4095 for 16-bit ones, which carry the sensor's 12 bits right-aligned. The curves are
// written for that maximum (contrast's threshold scaled by 16 rather than 256 on 12 bits), so a
// 16-bit picture is adjusted as its 8-bit form would be and never pushed past 4095.
#include "image/filters/ToneCurves.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>
#include <vector>

#include "image/filters/FilterSamples.h"

namespace ovilux::image::filters {

namespace {

bool InRange(int32_t gamma, int32_t contrast, int32_t brightness) {
    return gamma >= kMinGamma && gamma <= kMaxGamma && contrast >= kMinContrast && contrast <= kMaxContrast &&
           brightness >= kMinBrightness && brightness <= kMaxBrightness;
}

// The three curves one after the other; a curve at unity does not run, as in the chain.
int32_t ToneSample(int32_t v, int32_t gamma, int32_t contrast, int32_t brightness, int32_t max) {
    if (gamma != kUnityGamma) {
        v = GammaSample(v, gamma, max);
    }
    if (contrast != 0) {
        v = ContrastSample(v, contrast, max);
    }
    if (brightness != 0) {
        v = BrightnessSample(v, brightness, max);
    }
    return v;
}

// 3-channel and monochrome rows are one run of samples, taken eight at a time through a local
// block: the row and the table may be the same type, and without the block every store would
// have to wait for the look-ups after it. 4-channel rows skip every fourth sample.
template <typename T>
void LookUpRun(T* samples, int32_t count, const T* lut) {
    constexpr int32_t kBlock = 8;
    int32_t i = 0;
    for (; i + kBlock <= count; i += kBlock) {
        T in[kBlock];
        T out[kBlock];
        std::memcpy(in, samples + i, sizeof in);
        for (int32_t k = 0; k < kBlock; ++k) {
            out[k] = lut[ReadSample(in[k])];
        }
        std::memcpy(samples + i, out, sizeof out);
    }
    for (; i < count; ++i) {
        samples[i] = lut[ReadSample(samples[i])];
    }
}

template <typename T>
void ApplyTable(const DibImage& image, const SampleLayout& layout, const std::vector<T>& table, int32_t first,
                int32_t end) {
    const T* lut = table.data();
    const int32_t samples = image.Width() * layout.channels;
    for (int32_t y = first; y < end; ++y) {
        T* row = RowOf<T>(image, y);
        if (layout.channels == 4) {
            for (int32_t i = 0; i < samples; i += 4) {
                const T b = lut[ReadSample(row[i])], g = lut[ReadSample(row[i + 1])], r = lut[ReadSample(row[i + 2])];
                row[i] = b;
                row[i + 1] = g;
                row[i + 2] = r;
            }
        } else {
            LookUpRun(row, samples, lut);
        }
    }
}

template <typename T>
std::vector<T> MakeTable(const SampleLayout& layout, int32_t gamma, int32_t contrast, int32_t brightness) {
    std::vector<T> table(static_cast<size_t>(layout.max) + 1);
    for (int32_t v = 0; v <= layout.max; ++v) {
        table[static_cast<size_t>(v)] = static_cast<T>(ToneSample(v, gamma, contrast, brightness, layout.max));
    }
    return table;
}

}  // namespace

int32_t GammaSample(int32_t v, int32_t gamma, int32_t max) {
    if (v == 0) {
        return 0;
    }
    // Gamma 0 makes the exponent infinite: every value below max becomes 0, max stays.
    const double exponent = 1.0 / (gamma / 100.0);
    const double curve = std::trunc(max * std::pow(static_cast<double>(v) / max, exponent));
    return static_cast<int32_t>(std::min(curve, static_cast<double>(max)));
}

int32_t ContrastSample(int32_t v, int32_t contrast, int32_t max) {
    const int32_t h = max == 255 ? contrast : contrast * 16;
    if (v < h) {
        return 0;
    }
    if (v > max - h) {
        return max;
    }
    const double stretched = std::trunc((max + 1.0) / (max + 1.0 - 2.0 * h) * (v - h));
    return static_cast<int32_t>(std::clamp(stretched, 0.0, static_cast<double>(max)));
}

int32_t BrightnessSample(int32_t v, int32_t brightness, int32_t max) {
    const float k = brightness < 0 ? 1.0f - static_cast<float>(-brightness) / 255.0f
                                   : 1.0f + static_cast<float>(brightness * 10) / 255.0f;
    const float scaled = std::trunc(static_cast<float>(v) * k);
    return static_cast<int32_t>(std::clamp(scaled, 0.0f, static_cast<float>(max)));
}

ToneTable::ToneTable(const DibImage& image, int32_t gamma, int32_t contrast, int32_t brightness) {
    valid_ = LayoutOf(image, false, layout_) && InRange(gamma, contrast, brightness);
    neutral_ = gamma == kUnityGamma && contrast == 0 && brightness == 0;
    if (!valid_ || neutral_) {
        return;
    }
    if (layout_.sampleBytes == 1) {
        table8_ = MakeTable<uint8_t>(layout_, gamma, contrast, brightness);
    } else {
        table16_ = MakeTable<uint16_t>(layout_, gamma, contrast, brightness);
    }
}

void ToneTable::ApplyRows(const DibImage& image, int32_t firstRow, int32_t endRow) const {
    if (!valid_ || neutral_) {
        return;
    }
    const int32_t first = std::max(firstRow, 0);
    const int32_t end = std::min(endRow, image.Height());
    if (layout_.sampleBytes == 1) {
        ApplyTable(image, layout_, table8_, first, end);
    } else {
        ApplyTable(image, layout_, table16_, first, end);
    }
}

bool ApplyTones(DibImage& image, int32_t gamma, int32_t contrast, int32_t brightness) {
    const ToneTable table(image, gamma, contrast, brightness);
    table.ApplyRows(image, 0, image.Height());
    return table.Valid();
}

bool ApplyGamma(DibImage& image, int32_t gamma) { return ApplyTones(image, gamma, 0, 0); }
bool ApplyContrast(DibImage& image, int32_t contrast) { return ApplyTones(image, kUnityGamma, contrast, 0); }
bool ApplyBrightness(DibImage& image, int32_t brightness) { return ApplyTones(image, kUnityGamma, 0, brightness); }

bool ApplyTonesReference(DibImage& image, int32_t gamma, int32_t contrast, int32_t brightness) {
    SampleLayout layout{};
    if (!LayoutOf(image, false, layout) || !InRange(gamma, contrast, brightness)) {
        return false;
    }
    auto adjust = [&](auto& sample) {
        using T = std::remove_reference_t<decltype(sample)>;
        sample = static_cast<T>(ToneSample(ReadSample(sample), gamma, contrast, brightness, layout.max));
    };
    if (layout.sampleBytes == 1) {
        ForEachColourSample<uint8_t>(image, layout, adjust);
    } else {
        ForEachColourSample<uint16_t>(image, layout, adjust);
    }
    return true;
}

}  // namespace ovilux::image::filters
