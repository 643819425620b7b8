// TestImages.cpp - pixel patterns, the failing memory sink and the scratch folder.
#include "TestImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>

#include "support/HashMix.h"

namespace ovilux::image::test {

namespace fs = std::filesystem;

namespace {

void PutSample(DibImage& image, int32_t x, int32_t y, int channel, uint32_t value) {
    const int sampleBytes = SampleBytesOf(image.BitsPerPixel());
    uint8_t* p = static_cast<uint8_t*>(image.Bits()) + static_cast<ptrdiff_t>(y) * image.Stride() +
                 static_cast<ptrdiff_t>(x) * image.BytesPerPixel() + channel * sampleBytes;
    if (sampleBytes == 2) {
        value &= 0x0FFF;  // the library's 16-bit samples hold 12 bits
        p[1] = static_cast<uint8_t>(value >> 8);
    }
    p[0] = static_cast<uint8_t>(value);
}

void Make(DibImage& image, int32_t width, int32_t height, uint16_t bitsPerPixel) {
    ASSERT_EQ(image.Create(width, height, bitsPerPixel), 1) << width << "x" << height << "x" << bitsPerPixel;
    auto* bits = static_cast<uint8_t*>(image.Bits());
    const size_t used = static_cast<size_t>(width) * image.BytesPerPixel();
    for (int32_t y = 0; y < height; ++y) {
        std::memset(bits + static_cast<ptrdiff_t>(y) * image.Stride() + used, 0xA5, image.Stride() - used);
    }
}

}  // namespace

const std::vector<uint16_t>& AllDepths() {
    static const std::vector<uint16_t> depths{8, 16, 24, 32, 48, 64};
    return depths;
}

int ChannelsOf(uint16_t bitsPerPixel) {
    switch (bitsPerPixel) {
        case 24:
        case 48:
            return 3;
        case 32:
        case 64:
            return 4;
        default:
            return 1;
    }
}

int SampleBytesOf(uint16_t bitsPerPixel) { return bitsPerPixel == 16 || bitsPerPixel >= 48 ? 2 : 1; }

void MakeNoise(DibImage& image, int32_t width, int32_t height, uint16_t bitsPerPixel, uint32_t seed) {
    Make(image, width, height, bitsPerPixel);
    const int channels = ChannelsOf(bitsPerPixel);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            for (int c = 0; c < channels; ++c) {
                const uint32_t index = static_cast<uint32_t>((y * width + x) * 4 + c);
                PutSample(image, x, y, c, ovilux::test::HashMix(seed * 0x9E3779B9u + index));
            }
        }
    }
}

void MakeGradient(DibImage& image, int32_t width, int32_t height, uint16_t bitsPerPixel) {
    Make(image, width, height, bitsPerPixel);
    const int channels = ChannelsOf(bitsPerPixel);
    const uint32_t full = SampleBytesOf(bitsPerPixel) == 2 ? 4095 : 0xFF;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            for (int c = 0; c < channels; ++c) {
                // Mostly vertical so that rows far apart differ clearly; a little horizontal and
                // a per-channel share so that the channels are told apart.
                const double level = 0.1 + 0.6 * y / height + 0.15 * x / width + 0.05 * c;
                PutSample(image, x, y, c, static_cast<uint32_t>(std::min(1.0, level) * full));
            }
        }
    }
}

void SetFourthChannel(DibImage& image, uint16_t value) {
    ASSERT_EQ(ChannelsOf(image.BitsPerPixel()), 4);
    for (int32_t y = 0; y < image.Height(); ++y) {
        for (int32_t x = 0; x < image.Width(); ++x) {
            PutSample(image, x, y, 3, value);
        }
    }
}

uint32_t StoredSample(const DibImage& image, int32_t x, int32_t y, int channel) {
    const int sampleBytes = SampleBytesOf(image.BitsPerPixel());
    const uint8_t* p = static_cast<const uint8_t*>(image.Bits()) + static_cast<ptrdiff_t>(y) * image.Stride() +
                       static_cast<ptrdiff_t>(x) * image.BytesPerPixel() + channel * sampleBytes;
    return sampleBytes == 2 ? uint32_t{p[0]} | (uint32_t{p[1]} << 8) : p[0];
}

bool MemorySink::Write(const void* data, size_t size) {
    if (failed || position + size > limit) {
        failed = true;
        return false;
    }
    if (bytes.size() < position + size) {
        bytes.resize(position + size);
    }
    std::memcpy(bytes.data() + position, data, size);
    position += size;
    return true;
}

bool MemorySink::Seek(uint64_t newPosition) {
    if (failed) {
        return false;
    }
    position = newPosition;
    return true;
}

ScratchFolder::ScratchFolder() {
    static std::atomic<int> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path = fs::temp_directory_path() /
           ("ovilux-files-" + std::to_string(stamp) + "-" + std::to_string(counter.fetch_add(1)));
    fs::create_directories(path);
}

ScratchFolder::~ScratchFolder() {
    std::error_code error;
    // Read-only files left by a test must not keep the folder alive.
    for (const auto& entry : fs::recursive_directory_iterator(path, error)) {
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, error);
    }
    fs::remove_all(path, error);
}

std::string ScratchFolder::Name(const std::string& leaf) const { return (path / leaf).string(); }

std::vector<std::string> ScratchFolder::Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<uint8_t> ReadFileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

}  // namespace ovilux::image::test
