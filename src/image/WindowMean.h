// WindowMean.h - the measuring converters of the automatic iris: the mean level of a window.
#pragma once

#include "image/PixelConverter.h"

namespace ovilux::image {

// Mean (integer division) of the source rectangle's samples; the destination is not touched.
// WindowMean8 takes 8-bit samples, WindowMean16 16-bit ones counted on the 8-bit scale as bits 11 to 4.
// 0 for other depths.
int WindowMean8(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride,
                void* parameter1, void* parameter2);
int WindowMean16(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                 uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride,
                 void* parameter1, void* parameter2);

}  // namespace ovilux::image
