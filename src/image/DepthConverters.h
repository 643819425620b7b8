// DepthConverters.h - converters that copy pixels into another depth or row order: the
// preview's reductions (same row order) and the file and AVI writers' (rows reversed).
#pragma once

#include "image/PixelConverter.h"

namespace ovilux::image {

// All have the PixelConverter signature and return 1, or 0 for depths they do not take.
// 16-bit samples hold 12 significant bits: every reduction to 8 bits takes bits 11 to 4
// (Sample12To8), whatever the historical name of the converter says.

// 16 -> 8 bits: bits 11 to 4 of each sample.
int HighByte16To8(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                  uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride,
                  void* parameter1, void* parameter2);
// 32 -> 24 bits: the first three bytes of each pixel.
int Copy32To24(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
               uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride,
               void* parameter1, void* parameter2);
// 48 or 64 -> 24 bits: bits 11 to 4 of each of the three colour words.
int Colour16To24Mid(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                    uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride,
                    void* parameter1, void* parameter2);

// Rows reversed from here on: the first destination row is the last source row.

// Any depth into the same depth.
int FlipCopy(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
             uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride,
             void* parameter1, void* parameter2);
// 16 -> 8 bits: bits 11 to 4.
int HighByte16To8Flip(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                      uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride,
                      void* parameter1, void* parameter2);
// 48 or 64 -> 24 bits: bits 11 to 4 of each of the first three words.
int Colour16To24HighFlip(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                         uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride,
                         void* parameter1, void* parameter2);
// 24 or 32 -> 24 bits: the first three bytes.
int Colour24Flip(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                 uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride,
                 void* parameter1, void* parameter2);

}  // namespace ovilux::image
