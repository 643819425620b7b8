// ConverterSupport.h - what the converters share: argument checks, row addressing and the
// row-and-pixel loop of the simple depth conversions.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/PixelConverter.h"

namespace ovilux::image::detail {

// Bits present, a non-empty rectangle inside non-negative coordinates, positive strides.
inline bool UsableArguments(const void* dst, const void* src, const ImageRect& r, int32_t dstX, int32_t dstY,
                            int32_t dstStride, int32_t srcStride) {
    return dst != nullptr && src != nullptr && r.left >= 0 && r.top >= 0 && r.right > r.left && r.bottom > r.top &&
           dstX >= 0 && dstY >= 0 && dstStride > 0 && srcStride > 0;
}

inline uint8_t* RowAt(void* bits, int32_t stride, int64_t row) {
    return static_cast<uint8_t*>(bits) + static_cast<ptrdiff_t>(row) * stride;
}

inline const uint8_t* RowAt(const void* bits, int32_t stride, int64_t row) {
    return static_cast<const uint8_t*>(bits) + static_cast<ptrdiff_t>(row) * stride;
}

// Calls op(dstPixel, srcPixel) for every pixel of the rectangle, the pixel sizes known at
// compile time. With Flip the destination rows are filled from the last source row backwards.
template <int DstBytes, int SrcBytes, bool Flip, typename Op>
int ForEachPixel(void* dst, const void* src, const ImageRect& r, int32_t dstX, int32_t dstY, int32_t dstStride,
                 int32_t srcStride, Op op) {
    const int32_t rows = r.bottom - r.top;
    const int32_t columns = r.right - r.left;
    for (int32_t i = 0; i < rows; ++i) {
        const int64_t srcRow = Flip ? int64_t{r.bottom} - 1 - i : int64_t{r.top} + i;
        const uint8_t* s = RowAt(src, srcStride, srcRow) + static_cast<ptrdiff_t>(r.left) * SrcBytes;
        uint8_t* d = RowAt(dst, dstStride, int64_t{dstY} + i) + static_cast<ptrdiff_t>(dstX) * DstBytes;
        for (int32_t x = 0; x < columns; ++x) {
            op(d + x * DstBytes, s + x * SrcBytes);
        }
    }
    return 1;
}

inline uint16_t Word(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

}  // namespace ovilux::image::detail
