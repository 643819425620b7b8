// FilterSamples.h - how the adjustment steps see an image: samples of one or two bytes, one
// or more channels per pixel of which the first one or three are adjusted, rows at the stride.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "image/DibImage.h"
#include "image/SampleScale.h"

// The hot loops are written plainly for the compiler to vectorise; on x86-64 ELF builds with
// GCC they get a second copy for processors with AVX2, chosen when the library loads. PE files,
// clang's fuzzing build and the ThreadSanitizer build (whose runtime is not up yet when the
// loader picks the copy) keep the one baseline copy.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__ELF__) && !defined(__SANITIZE_THREAD__)
#define OVILUX_FILTER_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define OVILUX_FILTER_CLONES
#endif

namespace ovilux::image::filters {

struct SampleLayout {
    int32_t sampleBytes;     // 1 for 8-bit channels, 2 for 16-bit ones
    int32_t channels;        // samples per pixel
    int32_t colourChannels;  // the leading samples the steps change (a fourth one is left alone)
    int32_t max;             // 255, or 4095 for the camera's 12-bit samples
};

// The layout of an image with pixels; false for an empty image or a depth other than 8, 16,
// 24, 32, 48 or 64 bits (or, when colourOnly, other than 24, 32, 48 or 64).
inline bool LayoutOf(const DibImage& image, bool colourOnly, SampleLayout& layout) {
    if (image.Bits() == nullptr || image.Width() <= 0 || image.Height() <= 0) {
        return false;
    }
    const int32_t bits = image.BitsPerPixel();
    const int32_t sampleBytes = bits == 16 || bits == 48 || bits == 64 ? 2 : 1;
    const int32_t channels = bits / (8 * sampleBytes);
    if (bits % 8 != 0 || (channels != 1 && channels != 3 && channels != 4) || (colourOnly && channels == 1)) {
        return false;
    }
    layout = {sampleBytes, channels, channels == 1 ? 1 : 3, sampleBytes == 1 ? 255 : kSampleMax};
    return true;
}

template <typename T>
inline T* RowOf(const DibImage& image, int32_t y) {
    return reinterpret_cast<T*>(static_cast<uint8_t*>(image.Bits()) + static_cast<std::ptrdiff_t>(y) * image.Stride());
}

// A 16-bit sample above the 12-bit range (which no camera frame holds) is read as 4095, so
// every table index and sum stays in range whatever the buffer holds.
template <typename T>
inline int32_t ReadSample(T sample) {
    if constexpr (sizeof(T) == 1) {
        return sample;
    } else {
        return std::min<int32_t>(sample, kSampleMax);
    }
}

// Calls f(sample&) for every adjusted sample of the image, pixel by pixel, in the plain way
// the reference forms use.
template <typename T, typename F>
void ForEachColourSample(const DibImage& image, const SampleLayout& layout, F&& f) {
    for (int32_t y = 0; y < image.Height(); ++y) {
        T* row = RowOf<T>(image, y);
        for (int32_t x = 0; x < image.Width(); ++x) {
            for (int32_t c = 0; c < layout.colourChannels; ++c) {
                f(row[x * layout.channels + c]);
            }
        }
    }
}

}  // namespace ovilux::image::filters
