// WindowMean.cpp - mean sample level of a window.
#include "image/WindowMean.h"

#include "image/ConverterSupport.h"
#include "image/SampleScale.h"

namespace ovilux::image {

namespace {

template <typename Level>
int Mean(const void* src, const ImageRect& r, uint16_t srcBytes, uint16_t sampleBytes, int32_t srcStride, Level level) {
    if (src == nullptr || srcBytes != sampleBytes || srcStride <= 0 || r.left < 0 || r.top < 0 || r.right <= r.left ||
        r.bottom <= r.top) {
        return 0;
    }
    uint64_t sum = 0;
    for (int32_t y = r.top; y < r.bottom; ++y) {
        const uint8_t* row = detail::RowAt(src, srcStride, y);
        for (int32_t x = r.left; x < r.right; ++x) {
            sum += level(row + static_cast<ptrdiff_t>(x) * sampleBytes);
        }
    }
    const uint64_t count = uint64_t(r.right - r.left) * uint64_t(r.bottom - r.top);
    return static_cast<int>(sum / count);
}

}  // namespace

int WindowMean8(void*, const void* srcBits, const ImageRect& srcRect, int32_t, int32_t, uint16_t, uint16_t srcBytesPerPixel,
                int32_t, int32_t srcStride, void*, void*) {
    return Mean(srcBits, srcRect, srcBytesPerPixel, 1, srcStride, [](const uint8_t* p) { return uint32_t{p[0]}; });
}

int WindowMean16(void*, const void* srcBits, const ImageRect& srcRect, int32_t, int32_t, uint16_t, uint16_t srcBytesPerPixel,
                 int32_t, int32_t srcStride, void*, void*) {
    return Mean(srcBits, srcRect, srcBytesPerPixel, 2, srcStride,
                [](const uint8_t* p) { return uint32_t{Sample12To8(detail::Word(p))}; });
}

}  // namespace ovilux::image
