// RandomImage.h - images of any depth filled with random samples, and their comparison, for the
// adjustment-step tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "image/DibImage.h"

namespace ovilux::image::filters::test {

// Every depth the steps take, and the sizes from the smallest up to a few odd ones.
inline const std::vector<uint16_t> kAllDepths = {8, 16, 24, 32, 48, 64};
inline const std::vector<uint16_t> kColourDepths = {24, 32, 48, 64};
struct Size {
    int32_t width;
    int32_t height;
};
inline const std::vector<Size> kSizes = {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {1, 7}, {7, 1}, {5, 9}, {6, 5}, {13, 11}, {37, 19}};

// Samples of 8-bit channels are 0 .. 255; 16-bit ones are the camera's 12 bits (0 .. 4095), with
// now and then a value above that no frame holds, which the steps must read safely. Stride
// padding is filled too, so a step that writes past a row shows up.
inline void FillRandom(DibImage& image, uint32_t seed) {
    std::mt19937 rng(seed);
    auto* bits = static_cast<uint8_t*>(image.Bits());
    const bool wide = image.BitsPerPixel() == 16 || image.BitsPerPixel() >= 48;
    for (int64_t i = 0; i < image.ImageBytes(); i += wide ? 2 : 1) {
        if (wide) {
            const uint32_t draw = rng();
            const auto sample = static_cast<uint16_t>(draw % 97 == 0 ? 4096 + draw % 61440 : draw % 4096);
            std::memcpy(bits + i, &sample, 2);
        } else {
            bits[i] = static_cast<uint8_t>(rng());
        }
    }
}

// A random image of the size and depth; false when it cannot be made.
inline bool MakeRandom(DibImage& image, Size size, uint16_t bits, uint32_t seed) {
    if (image.Create(size.width, size.height, bits) == 0) {
        return false;
    }
    FillRandom(image, seed);
    return true;
}

inline void CopyPixels(const DibImage& from, DibImage& to) {
    to.CopyFormat(&from);
    std::memcpy(to.Bits(), from.Bits(), static_cast<size_t>(from.ImageBytes()));
}

inline bool SamePixels(const DibImage& a, const DibImage& b) {
    return a.ImageBytes() == b.ImageBytes() && std::memcmp(a.Bits(), b.Bits(), static_cast<size_t>(a.ImageBytes())) == 0;
}

}  // namespace ovilux::image::filters::test
