// NearestScale.h - nearest-neighbour resizing for the preview window, rows reversed.
#pragma once

#include "image/PixelConverter.h"

namespace ovilux::image {

// Run through DibImage::Scale: parameter1 points to the whole destination rectangle. For
// destination pixel (x, y) of W x H from a source of w x h, the source column is
// trunc(x * (w / W)) and the row index trunc(y * (h / H)), in single precision, kept inside the
// source; the row read is h - 1 - row index. ScaleNearest8 takes 8-bit images, ScaleNearest24
// 24-bit ones. Returns 1, or 0 for other depths or a missing rectangle.
int ScaleNearest8(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                  uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride,
                  void* parameter1, void* parameter2);
int ScaleNearest24(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                   uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride,
                   void* parameter1, void* parameter2);

}  // namespace ovilux::image
