// ChannelConverters.cpp - channel reordering and luminance of 8-bit colour pixels.
#include "image/ChannelConverters.h"

#include "image/ConverterSupport.h"

namespace ovilux::image {

using detail::ForEachPixel;
using detail::UsableArguments;

int SwapRedBlue8(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                 uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride, void*, void*) {
    if (dstBytesPerPixel != srcBytesPerPixel ||
        !UsableArguments(dstBits, srcBits, srcRect, dstX, dstY, dstStride, srcStride)) {
        return 0;
    }
    const auto swap = [](uint8_t* d, const uint8_t* s) {
        const uint8_t blue = s[0], green = s[1], red = s[2];
        d[0] = red;
        d[1] = green;
        d[2] = blue;
    };
    switch (srcBytesPerPixel) {
        case 3:
            return ForEachPixel<3, 3, false>(dstBits, srcBits, srcRect, dstX, dstY, dstStride, srcStride, swap);
        case 4:
            return ForEachPixel<4, 4, false>(dstBits, srcBits, srcRect, dstX, dstY, dstStride, srcStride, swap);
        default:
            return 0;
    }
}

int AlphaInvert32(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                  uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride, void*, void*) {
    if (dstBytesPerPixel != 4 || srcBytesPerPixel != 4 ||
        !UsableArguments(dstBits, srcBits, srcRect, dstX, dstY, dstStride, srcStride)) {
        return 0;
    }
    return ForEachPixel<4, 4, false>(dstBits, srcBits, srcRect, dstX, dstY, dstStride, srcStride,
                                     [](uint8_t* d, const uint8_t* s) {
                                         d[0] = s[0];
                                         d[1] = s[1];
                                         d[2] = s[2];
                                         d[3] = static_cast<uint8_t>(255 - s[3]);
                                     });
}

int Luminance24To8(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                   uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride, void*,
                   void*) {
    if (dstBytesPerPixel != 1 || !UsableArguments(dstBits, srcBits, srcRect, dstX, dstY, dstStride, srcStride)) {
        return 0;
    }
    const auto luminance = [](uint8_t* d, const uint8_t* s) {
        d[0] = static_cast<uint8_t>((30 * s[2] + 59 * s[1] + 11 * s[0]) / 100);
    };
    switch (srcBytesPerPixel) {
        case 3:
            return ForEachPixel<1, 3, false>(dstBits, srcBits, srcRect, dstX, dstY, dstStride, srcStride, luminance);
        case 4:
            return ForEachPixel<1, 4, false>(dstBits, srcBits, srcRect, dstX, dstY, dstStride, srcStride, luminance);
        default:
            return 0;
    }
}

}  // namespace ovilux::image
