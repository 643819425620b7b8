// ImageBuffers.h - the images a session converts frames into: the two raw buffers and one
// output image per colour depth.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "image/DibImage.h"

namespace ovilux::session {

struct ImageBuffers {
    image::DibImage raw8;
    image::DibImage raw16;
    image::DibImage out24;
    image::DibImage out32;
    image::DibImage out48;
    image::DibImage out64;

    // The raw buffer a colour mode reads the camera's samples into.
    image::DibImage& RawOf(int32_t mode);
    // The image the application receives in a colour mode: the raw buffer itself for the
    // monochrome modes, the colour output otherwise. Null for a mode outside 0 to 5.
    image::DibImage* ResultOf(int32_t mode);

    // Whether image holds a camera frame: marked when a frame is read or converted into it,
    // cleared when the image is made anew (it then holds zeros, which are no picture).
    bool Holds(const image::DibImage& image) const;
    void MarkHolding(const image::DibImage& image, bool holds);

private:
    size_t IndexOf(const image::DibImage& image) const;

    std::array<bool, 6> holding_{};
};

}  // namespace ovilux::session
