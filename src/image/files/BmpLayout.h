// BmpLayout.h - the bytes in front of a BMP file's pixels: the file header, the information
// header and, for 8-bit images, the colour table. No I/O here.
#pragma once

#include <cstdint>
#include <vector>

#include "image/DibImage.h"

namespace ovilux::image {

constexpr uint32_t kBmpFileHeaderBytes = 14;
constexpr uint32_t kBmpInfoHeaderBytes = 40;
constexpr uint32_t kBmpColorTableBytes = 4 * platform::kColorTableEntries;
constexpr uint16_t kBmpFileType = 0x4D42;  // "BM"

// Offset of the pixels: 54, or 1078 with the colour table of images of 8 bits or fewer.
uint32_t BmpPixelOffset(uint16_t bitsPerPixel);

// The headers of image's BMP file, BmpPixelOffset bytes, little-endian: the file header
// (bfSize = offset + height x stride), the image's own information header, and for 8-bit
// images its 256-entry colour table.
std::vector<uint8_t> BmpHeaders(const DibImage& image);

}  // namespace ovilux::image
