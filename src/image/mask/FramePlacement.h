// FramePlacement.h - where a frame's samples lie on the full sensor the defect references
// describe.
#pragma once

#include <cstdint>

namespace ovilux::image::mask {

// Sample (x, y) of the frame reads the references at (left + x, top + y). The mask filter
// leaves margin rows and columns at each edge of the frame alone.
struct FramePlacement {
    int32_t left = 0;
    int32_t top = 0;
    int32_t margin = 0;
};

}  // namespace ovilux::image::mask
