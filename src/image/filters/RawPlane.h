// RawPlane.h - a typed view of a raw image's samples (8 or 16 bits), for the raw-side filters.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/DibImage.h"

namespace ovilux::image::filters::detail {

template <typename T>
struct RawPlane {
    uint8_t* bits;
    int32_t stride;
    int32_t width;
    int32_t height;

    T* Row(int32_t y) const { return reinterpret_cast<T*>(bits + static_cast<ptrdiff_t>(y) * stride); }
};

// The image's samples as T, or a plane with null bits when the image has no pixels or its
// samples are not of T's size.
template <typename T>
RawPlane<T> PlaneOf(const DibImage& image) {
    if (image.Bits() == nullptr || image.Width() <= 0 || image.Height() <= 0 || image.BytesPerPixel() != sizeof(T)) {
        return {nullptr, 0, 0, 0};
    }
    return {static_cast<uint8_t*>(image.Bits()), image.Stride(), image.Width(), image.Height()};
}

}  // namespace ovilux::image::filters::detail
