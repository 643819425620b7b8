// PictureCheck.h - pictures for the simulated camera to look at, and the check that an image
// the library delivered shows them: pixels compared with the scene, not printed text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ovilux::test {

// The sensor's active area, which a picture shown to the simulated camera covers from its
// top left pixel.
constexpr int32_t kActiveWidth = 2592;
constexpr int32_t kActiveHeight = 1944;

// A picture of square blocks of one colour each: rows top first, blue, green, red a pixel.
struct BlockPicture {
    int32_t width = 0;
    int32_t height = 0;
    int32_t block = 0;
    std::vector<uint8_t> pixels;

    const uint8_t* At(int32_t x, int32_t y) const { return &pixels[(static_cast<size_t>(y) * width + x) * 3]; }
};

// Blocks whose colours differ from their neighbours' in every channel and do not repeat along
// a row or a column, so a shifted, sheared or mirrored image cannot match. Colours keep off
// 0 and 255 so that the same picture is exact at every depth; dark divides them by 32, for
// long exposures that must not saturate.
BlockPicture MakeBlockPicture(int32_t width = kActiveWidth, int32_t height = kActiveHeight, int32_t block = 48,
                              bool dark = false);

// An uncompressed 24-bit BMP of the picture, for OVILUX_SIM_SCENE.
bool WriteBmp(const std::string& path, const BlockPicture& picture);

// The 12-bit level the simulated camera makes of an 8-bit picture value.
uint16_t Level12(uint8_t value);

// An image as the library hands it out: rows top first, stride bytes apart; 8 or 16-bit
// monochrome (the raw Bayer samples), 24, 32, 48 or 64-bit blue, green, red.
struct DeliveredImage {
    const uint8_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;
    int32_t bitsPerPixel = 0;
};

// Where the image was taken on the sensor: the capture window's start and the sub-sampling
// factor (1, 2 or 4).
struct Placement {
    int32_t x = 0;
    int32_t y = 0;
    int32_t factor = 1;
};

struct PictureMatch {
    int64_t compared = 0;
    int64_t mismatched = 0;
    std::string firstMismatch;
};

// How close a pixel must be: within tolerance of the scene, for pixels at least margin sensor
// pixels inside their block (lossy files spread errors from the blocks' edges).
struct Closeness {
    uint32_t tolerance = 0;
    int32_t margin = 0;
};

// Compares every pixel whose surroundings (what binning and the demosaic read) lie inside one
// block with that block's colour: exactly unless said otherwise, as 8-bit values for 8, 24 and
// 32-bit images and as 12-bit levels for 16, 48 and 64-bit ones. Monochrome images hold each
// Bayer site's own channel and are compared at full resolution only.
PictureMatch ComparePicture(const DeliveredImage& image, const BlockPicture& picture, const Placement& placement,
                            const Closeness& closeness = {});

}  // namespace ovilux::test
