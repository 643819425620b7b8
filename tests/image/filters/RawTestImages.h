// RawTestImages.h - raw test images for the filter tests: made from a function of the position,
// or random, with sample access by position and whole-image comparison.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <random>

#include "image/DibImage.h"

namespace ovilux::image::test {

inline uint32_t SampleAt(const DibImage& image, int x, int y) {
    const auto* row = static_cast<const uint8_t*>(image.Bits()) + static_cast<ptrdiff_t>(y) * image.Stride();
    return image.BitsPerPixel() == 8 ? row[x] : reinterpret_cast<const uint16_t*>(row)[x];
}

inline void SetSample(DibImage& image, int x, int y, uint32_t value) {
    auto* row = static_cast<uint8_t*>(image.Bits()) + static_cast<ptrdiff_t>(y) * image.Stride();
    if (image.BitsPerPixel() == 8) {
        row[x] = static_cast<uint8_t>(value);
    } else {
        reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(value);
    }
}

// A raw image of 8 or 16 bits whose sample (x, y) is value(x, y).
inline void MakeRaw(DibImage& image, int width, int height, uint16_t bits, const std::function<uint32_t(int, int)>& value) {
    ASSERT_EQ(image.Create(width, height, bits), 1);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            SetSample(image, x, y, value(x, y));
        }
    }
}

// Row padding included, so a write past a row's end shows too.
inline bool SameBytes(const DibImage& a, const DibImage& b) {
    return a.ImageBytes() == b.ImageBytes() && std::memcmp(a.Bits(), b.Bits(), static_cast<size_t>(a.ImageBytes())) == 0;
}

inline void CopyInto(DibImage& copy, const DibImage& image) {
    ASSERT_EQ(copy.CopyFormat(&image), 1);
    std::memcpy(copy.Bits(), image.Bits(), static_cast<size_t>(image.ImageBytes()));
}

}  // namespace ovilux::image::test
