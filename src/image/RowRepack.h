// RowRepack.h - moves a raw frame that arrived as packed rows into the padded row layout.
#pragma once

#include "image/PixelConverter.h"

namespace ovilux::image {

// In place (source and destination the same pixels): the rectangle's rows, stored back to back
// (width x bytes per pixel apart) from the start of the buffer, are moved to the stride
// layout. The last row and, within a row, the last byte move first, so nothing is overwritten
// before it has been moved. RepackRows8 takes 8-bit samples, RepackRows16 16-bit ones.
int RepackRows8(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride,
                void* parameter1, void* parameter2);
int RepackRows16(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                 uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride,
                 void* parameter1, void* parameter2);

}  // namespace ovilux::image
