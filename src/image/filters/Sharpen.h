// Sharpen.h - unsharp masking over a 4 x 4 box blur, on the image's interior.
#pragma once

#include <cstdint>

#include "image/DibImage.h"

namespace ovilux::image::filters {

constexpr int32_t kMaxSharpness = 30;

// Each colour channel of every pixel at least two pixels inside the image becomes
// old + trunc(s x (old - blur) / 10), clipped to the sample range, blur being the mean (>> 4)
// of the 4 x 4 block from (x - 2, y - 2) to (x + 1, y + 1) of the unsharpened image. A band two
// pixels wide, a fourth channel, and images smaller than 5 x 5 (no interior) stay as they are.
// Sharpness 0 leaves the image alone. False, the image unchanged, for an image without pixels,
// a depth other than 8, 16, 24, 32, 48 or 64 bits, or a sharpness outside 0 .. 30.
bool Sharpen(DibImage& image, int32_t sharpness);

// The plain form Sharpen is held against: a copy, the block summed per pixel, a difference table.
bool SharpenReference(DibImage& image, int32_t sharpness);

}  // namespace ovilux::image::filters
