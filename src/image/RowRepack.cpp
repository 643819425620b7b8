// RowRepack.cpp - packed rows to padded rows, in place.
#include "image/RowRepack.h"

#include <cstring>

#include "image/ConverterSupport.h"

namespace ovilux::image {

namespace {

int Repack(void* dst, const void* src, const ImageRect& r, int32_t dstX, int32_t dstY, uint16_t dstBytes,
           uint16_t srcBytes, int32_t dstStride, int32_t srcStride, uint16_t sampleBytes) {
    if (dstBytes != sampleBytes || srcBytes != sampleBytes ||
        !detail::UsableArguments(dst, src, r, dstX, dstY, dstStride, srcStride)) {
        return 0;
    }
    const int64_t packedBytes = int64_t{r.right - r.left} * sampleBytes;
    if (int64_t{dstX} * sampleBytes + packedBytes > dstStride) {
        return 0;
    }
    const int32_t rows = r.bottom - r.top;
    // memmove copies an overlapping row as if through a buffer, which is the same as moving
    // its last byte first.
    for (int32_t i = rows - 1; i >= 0; --i) {
        const uint8_t* from = static_cast<const uint8_t*>(src) + (int64_t{r.top} + i) * packedBytes;
        uint8_t* to = detail::RowAt(dst, dstStride, int64_t{dstY} + i) + static_cast<ptrdiff_t>(dstX) * sampleBytes;
        std::memmove(to, from, static_cast<size_t>(packedBytes));
    }
    return 1;
}

}  // namespace

int RepackRows8(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride, void*, void*) {
    return Repack(dstBits, srcBits, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride, srcStride, 1);
}

int RepackRows16(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                 uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride, void*, void*) {
    return Repack(dstBits, srcBits, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride, srcStride, 2);
}

}  // namespace ovilux::image
