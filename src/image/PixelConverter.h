// PixelConverter.h - the one signature every per-pixel operation on images has, and the
// records its untyped parameters point to.
#pragma once

#include <cstdint>

namespace ovilux::image {

// A rectangle in pixels; right and bottom are exclusive.
struct ImageRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

struct ImagePoint {
    int32_t x;
    int32_t y;
};

// Converts (or measures) the source rows srcRect.top .. srcRect.bottom - 1 (memory order) and
// columns srcRect.left .. srcRect.right - 1 into the destination starting at (dstX, dstY) in
// memory order. Source and destination may be the same pixels. Returns 1 for a conversion, a
// count or a mean for a measurement, and 0 when the formats or parameters do not fit it.
// DibImage::ConvertBlit is the one place that clips the rectangles before calling.
using PixelConverter = int (*)(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                               uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride,
                               void* parameter1, void* parameter2);

// Parameter of the demosaic: the Bayer mode (0 to 3, already adjusted for mirroring) and the
// Bayer gains in percent (100 is unity). The green gain is carried but not applied.
struct GainRecord {
    int32_t bayerMode;
    int32_t redGain;
    int32_t greenGain;
    int32_t blueGain;
};

}  // namespace ovilux::image
