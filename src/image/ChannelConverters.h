// ChannelConverters.h - converters that rearrange or combine the channels of 8-bit colour
// pixels: the TIFF and PNG writers' byte orders and the luminance of gray mode 2.
#pragma once

#include "image/PixelConverter.h"

namespace ovilux::image {

// 24 or 32 bits into the same layout: bytes 0 and 2 exchanged, byte 3 left as it is. Works in
// place.
int SwapRedBlue8(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                 uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride,
                 void* parameter1, void* parameter2);
// 32 -> 32 bits: bytes 0 to 2 copied, byte 3 becomes 255 - byte 3.
int AlphaInvert32(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                  uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride,
                  void* parameter1, void* parameter2);
// 24 (or 32) -> 8 bits: (30 x red + 59 x green + 11 x blue) / 100.
int Luminance24To8(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                   uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride,
                   void* parameter1, void* parameter2);

}  // namespace ovilux::image
