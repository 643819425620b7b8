// DepthConverters.cpp - depth reductions and row reversals, one pixel loop shared by all.
#include "image/DepthConverters.h"

#include <cstring>

#include "image/ConverterSupport.h"
#include "image/SampleScale.h"

namespace ovilux::image {

using detail::ForEachPixel;
using detail::UsableArguments;
using detail::Word;

namespace {

// Gray 16 -> 8 through op(word), rows in order or reversed.
template <bool Flip, typename Op>
int Gray16To8(void* dst, const void* src, const ImageRect& r, int32_t dstX, int32_t dstY, uint16_t dstBytes,
              uint16_t srcBytes, int32_t dstStride, int32_t srcStride, Op op) {
    if (dstBytes != 1 || srcBytes != 2 || !UsableArguments(dst, src, r, dstX, dstY, dstStride, srcStride)) {
        return 0;
    }
    return ForEachPixel<1, 2, Flip>(dst, src, r, dstX, dstY, dstStride, srcStride,
                                    [op](uint8_t* d, const uint8_t* s) { d[0] = op(Word(s)); });
}

// Colour of 16-bit words (48 or 64 bits) -> 24 bits through op(word) per channel.
template <bool Flip, typename Op>
int Colour16To24(void* dst, const void* src, const ImageRect& r, int32_t dstX, int32_t dstY, uint16_t dstBytes,
                 uint16_t srcBytes, int32_t dstStride, int32_t srcStride, Op op) {
    if (dstBytes != 3 || !UsableArguments(dst, src, r, dstX, dstY, dstStride, srcStride)) {
        return 0;
    }
    const auto pixel = [op](uint8_t* d, const uint8_t* s) {
        d[0] = op(Word(s));
        d[1] = op(Word(s + 2));
        d[2] = op(Word(s + 4));
    };
    switch (srcBytes) {
        case 6:
            return ForEachPixel<3, 6, Flip>(dst, src, r, dstX, dstY, dstStride, srcStride, pixel);
        case 8:
            return ForEachPixel<3, 8, Flip>(dst, src, r, dstX, dstY, dstStride, srcStride, pixel);
        default:
            return 0;
    }
}

// 24 or 32 -> 24 bits: the first three bytes.
template <bool Flip>
int FirstThreeBytes(void* dst, const void* src, const ImageRect& r, int32_t dstX, int32_t dstY, uint16_t dstBytes,
                    uint16_t srcBytes, int32_t dstStride, int32_t srcStride, bool allow24) {
    if (dstBytes != 3 || !UsableArguments(dst, src, r, dstX, dstY, dstStride, srcStride)) {
        return 0;
    }
    const auto pixel = [](uint8_t* d, const uint8_t* s) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
    };
    if (srcBytes == 4) {
        return ForEachPixel<3, 4, Flip>(dst, src, r, dstX, dstY, dstStride, srcStride, pixel);
    }
    if (srcBytes == 3 && allow24) {
        return ForEachPixel<3, 3, Flip>(dst, src, r, dstX, dstY, dstStride, srcStride, pixel);
    }
    return 0;
}


}  // namespace

int HighByte16To8(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                  uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride, void*, void*) {
    return Gray16To8<false>(dstBits, srcBits, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride, srcStride,
                            Sample12To8);
}

int Copy32To24(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
               uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride, void*, void*) {
    return FirstThreeBytes<false>(dstBits, srcBits, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride,
                                  srcStride, false);
}

int Colour16To24Mid(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                    uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride, void*,
                    void*) {
    return Colour16To24<false>(dstBits, srcBits, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride,
                               srcStride, Sample12To8);
}

int FlipCopy(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
             uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride, void*, void*) {
    if (dstBytesPerPixel == 0 || dstBytesPerPixel != srcBytesPerPixel ||
        !UsableArguments(dstBits, srcBits, srcRect, dstX, dstY, dstStride, srcStride)) {
        return 0;
    }
    const size_t rowBytes = static_cast<size_t>(srcRect.right - srcRect.left) * srcBytesPerPixel;
    const int32_t rows = srcRect.bottom - srcRect.top;
    for (int32_t i = 0; i < rows; ++i) {
        const uint8_t* s = detail::RowAt(srcBits, srcStride, int64_t{srcRect.bottom} - 1 - i) +
                           static_cast<ptrdiff_t>(srcRect.left) * srcBytesPerPixel;
        uint8_t* d = detail::RowAt(dstBits, dstStride, int64_t{dstY} + i) + static_cast<ptrdiff_t>(dstX) * dstBytesPerPixel;
        std::memmove(d, s, rowBytes);
    }
    return 1;
}

int HighByte16To8Flip(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                      uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride, void*,
                      void*) {
    return Gray16To8<true>(dstBits, srcBits, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride, srcStride,
                           Sample12To8);
}

int Colour16To24HighFlip(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                         uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride, void*,
                         void*) {
    return Colour16To24<true>(dstBits, srcBits, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride,
                              srcStride, Sample12To8);
}

int Colour24Flip(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                 uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride, void*, void*) {
    return FirstThreeBytes<true>(dstBits, srcBits, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride,
                                 srcStride, true);
}

}  // namespace ovilux::image
