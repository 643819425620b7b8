// TestImages.h - images with known pixels for the file writer tests, a byte sink in memory that
// can be made to fail, and a scratch folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "image/DibImage.h"
#include "image/files/ByteSink.h"

namespace ovilux::image::test {

// The depths every writer takes.
const std::vector<uint16_t>& AllDepths();

// Stored channels per pixel (1, 3 or 4) and bytes per stored sample (1 or 2) of a depth.
int ChannelsOf(uint16_t bitsPerPixel);
int SampleBytesOf(uint16_t bitsPerPixel);

// A new image whose every sample is a different-looking value (full 16-bit range for 16-bit
// samples) and whose row padding holds 0xA5, so that padding leaking into a file shows.
void MakeNoise(DibImage& image, int32_t width, int32_t height, uint16_t bitsPerPixel, uint32_t seed);
// A new image of smooth gradients that differ per channel and grow downwards, so that JPEG keeps
// it closely and a picture turned upside down is far off.
void MakeGradient(DibImage& image, int32_t width, int32_t height, uint16_t bitsPerPixel);
// Sets the fourth stored channel of every pixel of a 32 or 64-bit image.
void SetFourthChannel(DibImage& image, uint16_t value);

// Stored sample channel of pixel (x, y), y counted in memory rows (row 0 is the top of the picture).
uint32_t StoredSample(const DibImage& image, int32_t x, int32_t y, int channel);

// Collects a writer's bytes; with a limit, the write that would pass it fails (and so does
// every later call), as a full disk would.
class MemorySink : public CByteSink {
public:
    explicit MemorySink(uint64_t failAtByte = UINT64_MAX) : limit(failAtByte) {}
    bool Write(const void* data, size_t size) override;
    bool Seek(uint64_t newPosition) override;
    uint64_t Position() const override { return position; }
    uint64_t Size() const override { return bytes.size(); }
    const std::vector<uint8_t>& Bytes() const { return bytes; }

private:
    uint64_t limit;
    uint64_t position = 0;
    bool failed = false;
    std::vector<uint8_t> bytes;
};

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    const std::filesystem::path& Path() const { return path; }
    // A file name in the folder, as the writers take it.
    std::string Name(const std::string& leaf) const;
    // Names of everything in the folder.
    std::vector<std::string> Entries() const;

private:
    std::filesystem::path path;
};

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

}  // namespace ovilux::image::test
