// FileReaders.h - reading saved files back through libjpeg, libpng and libtiff's own readers,
// independently of the writers' code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ovilux::image::test {

// A decoded picture: samples in the file's channel order, the top row first.
struct Decoded {
    int32_t width = 0;
    int32_t height = 0;
    int channels = 0;
    int bitsPerSample = 0;
    std::vector<uint32_t> samples;

    uint32_t At(int32_t x, int32_t y, int channel) const {
        return samples[(static_cast<size_t>(y) * width + x) * channels + channel];
    }
};

struct JpegInfo {
    bool progressive = false;
    int colourSpace = 0;  // J_COLOR_SPACE of the file
};

struct PngInfo {
    int colourType = -1;
    std::vector<uint8_t> firstRow;  // the first row's bytes as stored (16-bit samples as in the file)
    int significantBits = 0;        // the sBIT chunk's gray or red value; 0 without one
};

struct TiffInfo {
    uint16_t bitsPerSample = 0;
    uint16_t photometric = 0;
    uint16_t samplesPerPixel = 0;
    uint16_t compression = 0;
    uint16_t planarConfig = 0;
    uint32_t strips = 0;
    std::vector<uint16_t> extraSamples;
};

// Each returns false (with a reason in error) when the file is not a valid file of its format.
bool ReadJpeg(const std::string& path, Decoded& picture, JpegInfo& info, std::string& error);
bool ReadPng(const std::string& path, Decoded& picture, PngInfo& info, std::string& error);
bool ReadTiff(const std::string& path, Decoded& picture, TiffInfo& info, std::string& error);

}  // namespace ovilux::image::test
