// PictureCheck.cpp - block pictures and the pixel comparison.
#include "support/PictureCheck.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "support/HashMix.h"

namespace ovilux::test {

namespace {

void PutLe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

uint32_t SampleAt(const DeliveredImage& image, int32_t x, int32_t y, int channel) {
    const bool wide = image.bitsPerPixel == 16 || image.bitsPerPixel >= 48;
    const int bytesPerPixel = image.bitsPerPixel / 8;
    const uint8_t* p = image.pixels + static_cast<ptrdiff_t>(y) * image.stride +
                       static_cast<ptrdiff_t>(x) * bytesPerPixel + channel * (wide ? 2 : 1);
    return wide ? static_cast<uint32_t>(p[0] | (p[1] << 8)) : p[0];
}

bool Near(uint32_t value, uint32_t wanted, uint32_t tolerance) {
    return value + tolerance >= wanted && value <= wanted + tolerance;
}

}  // namespace

BlockPicture MakeBlockPicture(int32_t width, int32_t height, int32_t block, bool dark) {
    BlockPicture picture{width, height, block, std::vector<uint8_t>(static_cast<size_t>(width) * height * 3)};
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t hash = HashMix(static_cast<uint32_t>((y / block) * 7919 + (x / block)) + 1);
            uint8_t* p = &picture.pixels[(static_cast<size_t>(y) * width + x) * 3];
            for (int c = 0; c < 3; ++c) {
                const uint32_t value = 16 + ((hash >> (8 * c)) & 0xFF) * 224 / 255;  // 16 to 240
                p[c] = static_cast<uint8_t>(dark ? value / 32 : value);
            }
        }
    }
    return picture;
}

bool WriteBmp(const std::string& path, const BlockPicture& picture) {
    const uint32_t stride = (static_cast<uint32_t>(picture.width) * 3 + 3) & ~3u;
    const uint32_t bitsBytes = stride * static_cast<uint32_t>(picture.height);
    std::vector<uint8_t> file{'B', 'M'};
    PutLe(file, 54 + bitsBytes, 4);
    PutLe(file, 0, 4);
    PutLe(file, 54, 4);
    PutLe(file, 40, 4);
    PutLe(file, static_cast<uint32_t>(picture.width), 4);
    PutLe(file, static_cast<uint32_t>(picture.height), 4);  // bottom-up
    PutLe(file, 1, 2);
    PutLe(file, 24, 2);
    for (int i = 0; i < 6; ++i) {
        PutLe(file, 0, 4);
    }
    for (int32_t y = picture.height - 1; y >= 0; --y) {
        const uint8_t* row = picture.At(0, y);
        file.insert(file.end(), row, row + picture.width * 3);
        file.resize(file.size() + (stride - static_cast<uint32_t>(picture.width) * 3), 0);
    }
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        return false;
    }
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && written;
}

uint16_t Level12(uint8_t value) { return static_cast<uint16_t>(std::lround(value * 4095.0 / 255.0)); }

PictureMatch ComparePicture(const DeliveredImage& image, const BlockPicture& picture, const Placement& placement,
                            const Closeness& closeness) {
    PictureMatch match;
    const bool mono = image.bitsPerPixel == 8 || image.bitsPerPixel == 16;
    const bool wide = image.bitsPerPixel == 16 || image.bitsPerPixel >= 48;
    if (mono && placement.factor != 1) {
        return match;
    }
    const int32_t f = placement.factor;
    // Binning, the isolated-dot suppression (which compares samples two apart, so a sample
    // beside another block's edge may be replaced) and the demosaic's neighbourhood.
    const int32_t reach = std::max(5 * f, closeness.margin);
    const uint32_t tolerance = closeness.tolerance;
    for (int32_t y = 0; y < image.height; ++y) {
        const int32_t top = placement.y + y * f - reach;
        const int32_t bottom = placement.y + y * f + f + reach - 1;
        if (top < 0 || bottom >= picture.height || top / picture.block != bottom / picture.block) {
            continue;
        }
        for (int32_t x = 0; x < image.width; ++x) {
            const int32_t left = placement.x + x * f - reach;
            const int32_t right = placement.x + x * f + f + reach - 1;
            if (left < 0 || right >= picture.width || left / picture.block != right / picture.block) {
                continue;
            }
            const int32_t sx = placement.x + x * f;
            const int32_t sy = placement.y + y * f;
            const uint8_t* colour = picture.At(sx, sy);
            const auto expected = [wide](uint8_t value) { return wide ? uint32_t{Level12(value)} : uint32_t{value}; };
            bool same = true;
            std::ostringstream got, want;
            if (mono) {
                // Even rows red and green, odd rows green and blue, from the first active pixel.
                static constexpr int kStored[4] = {2, 1, 1, 0};
                const uint32_t value = SampleAt(image, x, y, 0);
                const uint32_t site = expected(colour[kStored[(sy % 2) * 2 + sx % 2]]);
                same = Near(value, site, tolerance);
                got << value;
                want << site;
            } else {
                for (int c = 0; c < 3; ++c) {
                    const uint32_t value = SampleAt(image, x, y, c);
                    same = same && Near(value, expected(colour[c]), tolerance);
                    got << (c ? "," : "") << value;
                    want << (c ? "," : "") << expected(colour[c]);
                }
            }
            ++match.compared;
            if (!same && match.mismatched++ == 0) {
                match.firstMismatch = "pixel " + std::to_string(x) + "," + std::to_string(y) + " is " + got.str() +
                                      ", the scene shows " + want.str();
            }
        }
    }
    return match;
}

}  // namespace ovilux::test
