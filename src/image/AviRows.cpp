// AviRows.cpp - the recorder's conversion into bottom-up 24-bit rows.
#include "image/AviRows.h"

#include <cstring>

#include "image/DepthConverters.h"
#include "image/SampleScale.h"

namespace ovilux::image {

namespace {

template <typename Sample>
void GrayToRows(const DibImage& source, DibImage& rows24) {
    const int32_t width = source.Width();
    const int32_t height = source.Height();
    for (int32_t y = 0; y < height; ++y) {
        const auto* in = static_cast<const uint8_t*>(source.Bits()) + int64_t{y} * source.Stride();
        auto* out = static_cast<uint8_t*>(rows24.Bits()) + int64_t{height - 1 - y} * rows24.Stride();
        for (int32_t x = 0; x < width; ++x) {
            Sample sample;
            std::memcpy(&sample, in + int64_t{x} * sizeof(Sample), sizeof(Sample));
            uint8_t level;
            if constexpr (sizeof(Sample) == 2) {
                level = Sample12To8(sample);
            } else {
                level = sample;
            }
            out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = level;
        }
    }
}

}  // namespace

bool ToAviRows(const DibImage& source, DibImage& rows24) {
    if (source.Bits() == nullptr || rows24.Bits() == nullptr || rows24.BitsPerPixel() != 24 ||
        source.Width() != rows24.Width() || source.Height() != rows24.Height()) {
        return false;
    }
    switch (source.BitsPerPixel()) {
        case 8:
            GrayToRows<uint8_t>(source, rows24);
            return true;
        case 16:
            GrayToRows<uint16_t>(source, rows24);
            return true;
        case 24:
        case 32:
            return DibImage::ConvertBlit(&rows24, Colour24Flip, &source, nullptr, nullptr, nullptr) != 0;
        case 48:
        case 64:
            return DibImage::ConvertBlit(&rows24, Colour16To24HighFlip, &source, nullptr, nullptr, nullptr) != 0;
        default:
            return false;
    }
}

}  // namespace ovilux::image
