// ImageBuffers.cpp - which image serves which colour mode.
#include "session/ImageBuffers.h"

#include "session/KeptSettings.h"

namespace ovilux::session {

image::DibImage& ImageBuffers::RawOf(int32_t mode) { return IsSixteenBitMode(mode) ? raw16 : raw8; }

image::DibImage* ImageBuffers::ResultOf(int32_t mode) {
    switch (mode) {
        case 0:
            return &raw8;
        case 1:
            return &raw16;
        case 2:
            return &out24;
        case 3:
            return &out32;
        case 4:
            return &out48;
        case 5:
            return &out64;
        default:
            return nullptr;
    }
}

size_t ImageBuffers::IndexOf(const image::DibImage& image) const {
    const image::DibImage* const all[] = {&raw8, &raw16, &out24, &out32, &out48, &out64};
    size_t index = 0;
    while (all[index] != &image) {
        ++index;
    }
    return index;
}

bool ImageBuffers::Holds(const image::DibImage& image) const { return holding_[IndexOf(image)]; }

void ImageBuffers::MarkHolding(const image::DibImage& image, bool holds) { holding_[IndexOf(image)] = holds; }

}  // namespace ovilux::session
