// NearestScale.cpp - nearest-neighbour resizing with single-precision coordinates.
#include "image/NearestScale.h"

#include <algorithm>
#include <cstring>

#include "image/ConverterSupport.h"

namespace ovilux::image {

namespace {

// trunc(i * ratio) in single precision, kept to 0 .. limit - 1.
int32_t NearestIndex(int32_t i, float ratio, int32_t limit) {
    const float position = static_cast<float>(i) * ratio;
    if (!(position > 0.0f)) {
        return 0;
    }
    if (position >= static_cast<float>(limit)) {
        return limit - 1;
    }
    return std::min(static_cast<int32_t>(position), limit - 1);
}

template <int PixelBytes>
int ScaleNearest(void* dst, const void* src, const ImageRect& r, int32_t dstX, int32_t dstY, uint16_t dstBytes,
                 uint16_t srcBytes, int32_t dstStride, int32_t srcStride, const void* destinationRect) {
    if (dstBytes != PixelBytes || srcBytes != PixelBytes || destinationRect == nullptr ||
        !detail::UsableArguments(dst, src, r, dstX, dstY, dstStride, srcStride)) {
        return 0;
    }
    const ImageRect& d = *static_cast<const ImageRect*>(destinationRect);
    const int32_t dstW = d.right - d.left, dstH = d.bottom - d.top;
    const int32_t srcW = r.right - r.left, srcH = r.bottom - r.top;
    if (dstW <= 0 || dstH <= 0) {
        return 0;
    }
    const float ratioX = static_cast<float>(srcW) / static_cast<float>(dstW);
    const float ratioY = static_cast<float>(srcH) / static_cast<float>(dstH);
    for (int32_t y = 0; y < dstH; ++y) {
        const int32_t rowIndex = NearestIndex(y, ratioY, srcH);
        const uint8_t* s = detail::RowAt(src, srcStride, int64_t{r.top} + srcH - 1 - rowIndex) +
                           static_cast<ptrdiff_t>(r.left) * PixelBytes;
        uint8_t* out = detail::RowAt(dst, dstStride, int64_t{dstY} + y) + static_cast<ptrdiff_t>(dstX) * PixelBytes;
        for (int32_t x = 0; x < dstW; ++x) {
            std::memcpy(out + x * PixelBytes, s + static_cast<ptrdiff_t>(NearestIndex(x, ratioX, srcW)) * PixelBytes,
                        PixelBytes);
        }
    }
    return 1;
}

}  // namespace

int ScaleNearest8(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                  uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride,
                  void* parameter1, void*) {
    return ScaleNearest<1>(dstBits, srcBits, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride,
                           srcStride, parameter1);
}

int ScaleNearest24(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                   uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride,
                   void* parameter1, void*) {
    return ScaleNearest<3>(dstBits, srcBits, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride,
                           srcStride, parameter1);
}

}  // namespace ovilux::image
