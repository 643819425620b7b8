// HueSaturation.h - hue shift and saturation through an integer hexcone model of
// hue, lightness and chroma.
#pragma once

#include <cstdint>

#include "image/DibImage.h"

namespace ovilux::image::filters {

constexpr int32_t kMinHue = -360, kMaxHue = 360;
constexpr int32_t kMinSaturation = -255, kMaxSaturation = 255;

// Turns every pixel's hue by hue degrees and scales its chroma by (saturation + 256) / 256,
// keeping its lightness, on 24, 32, 48 and 64-bit images. 16-bit channels are worked on their
// top 8 of 12 bits (sample >> 4) and written back << 4; the fourth byte of 32-bit pixels is left
// alone and the fourth word of 64-bit pixels set to 0. Hue 0 with saturation 0 leaves the image
// alone. False, the image unchanged, for an image without pixels, another depth, or a setting
// out of range. Safe to call on several threads at once: every table is either fixed or the
// call's own.
bool ShiftHueSaturation(DibImage& image, int32_t hue, int32_t saturation);
// The same over the rows firstRow .. endRow - 1 only (clipped to the image).
bool ShiftHueSaturationRows(DibImage& image, int32_t hue, int32_t saturation, int32_t firstRow, int32_t endRow);

// The plain form ShiftHueSaturation is held against: one pixel at a time with the tables.
bool ShiftHueSaturationReference(DibImage& image, int32_t hue, int32_t saturation);

}  // namespace ovilux::image::filters
