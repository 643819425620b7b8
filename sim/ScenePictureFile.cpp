// ScenePictureFile.cpp - reading BMP and PNG pictures for the scene.
#include "sim/ScenePictureFile.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace ovilux::sim {

namespace {

// Pictures larger than the sensor's array show nothing more; refuse absurd headers before
// allocating for them.
constexpr int64_t kLargestPicture = 16384;
constexpr size_t kBmpHeaderBytes = 54;

uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

std::vector<uint8_t> ReadWhole(const char* path) {
    std::vector<uint8_t> bytes;
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return bytes;
    }
    uint8_t chunk[65536];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    std::fclose(file);
    return bytes;
}

std::shared_ptr<const CScene> FromBmp(const std::vector<uint8_t>& file) {
    if (file.size() < kBmpHeaderBytes || file[0] != 'B' || file[1] != 'M') {
        return nullptr;
    }
    const uint32_t bitsOffset = Le32(&file[10]);
    const uint32_t infoSize = Le32(&file[14]);
    const int64_t width = static_cast<int32_t>(Le32(&file[18]));
    const int64_t signedHeight = static_cast<int32_t>(Le32(&file[22]));
    const uint16_t bits = Le16(&file[28]);
    const uint32_t compression = Le32(&file[30]);
    const int64_t height = signedHeight < 0 ? -signedHeight : signedHeight;
    if (infoSize < 40 || compression != 0 || (bits != 8 && bits != 24) || width <= 0 || height <= 0 ||
        width > kLargestPicture || height > kLargestPicture) {
        return nullptr;
    }
    const int64_t stride = (width * bits / 8 + 3) & ~int64_t{3};
    if (bitsOffset > file.size() || static_cast<int64_t>(file.size() - bitsOffset) < stride * height) {
        return nullptr;
    }
    // The picture top row first, gray through the colour table or blue-green-red.
    const int32_t channels = bits == 8 ? 1 : 3;
    std::vector<uint8_t> pixels(static_cast<size_t>(width * height * channels));
    const size_t table = 14 + static_cast<size_t>(infoSize);
    for (int64_t y = 0; y < height; ++y) {
        const int64_t stored = signedHeight < 0 ? y : height - 1 - y;
        const uint8_t* row = &file[bitsOffset + static_cast<size_t>(stored * stride)];
        uint8_t* out = &pixels[static_cast<size_t>(y * width * channels)];
        if (channels == 3) {
            std::memcpy(out, row, static_cast<size_t>(width * 3));
            continue;
        }
        for (int64_t x = 0; x < width; ++x) {
            const size_t entry = table + 4u * row[x];
            out[x] = entry + 2 < bitsOffset ? file[entry + 1] : row[x];  // the entry's green
        }
    }
    return CScene::FromPicture({pixels.data(), static_cast<int32_t>(width), static_cast<int32_t>(height),
                                static_cast<int32_t>(width * channels), channels});
}

std::shared_ptr<const CScene> FromPng(const char* path) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path) == 0) {
        return nullptr;
    }
    const bool gray = (image.format & PNG_FORMAT_FLAG_COLOR) == 0;
    image.format = gray ? PNG_FORMAT_GRAY : PNG_FORMAT_BGR;
    if (image.width == 0 || image.height == 0 || image.width > kLargestPicture || image.height > kLargestPicture) {
        png_image_free(&image);
        return nullptr;
    }
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) == 0) {
        png_image_free(&image);
        return nullptr;
    }
    const int32_t channels = gray ? 1 : 3;
    return CScene::FromPicture({pixels.data(), static_cast<int32_t>(image.width), static_cast<int32_t>(image.height),
                                static_cast<int32_t>(image.width) * channels, channels});
}

}  // namespace

std::shared_ptr<const CScene> LoadScenePicture(const char* path) {
    if (path == nullptr) {
        return nullptr;
    }
    const std::vector<uint8_t> file = ReadWhole(path);
    if (file.size() >= 8 && std::memcmp(file.data(), "\x89PNG\r\n\x1a\n", 8) == 0) {
        return FromPng(path);
    }
    return FromBmp(file);
}

}  // namespace ovilux::sim
