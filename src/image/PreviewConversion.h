// PreviewConversion.h - what the preview window paints: the mode's image reduced to 8 or 24
// bits, shown one to one or through a nearest-neighbour display copy of the window's size.
#pragma once

#include <cstdint>

#include "platform/Gdi.h"

namespace ovilux::image {

class DibImage;

// The session's images a preview may read or fill.
struct SessionImages {
    DibImage* raw8;
    DibImage* raw16;
    DibImage* colour24;
    DibImage* colour32;
    DibImage* colour48;
    DibImage* colour64;
};

// Reduces the mode's current image to the picture the preview paints and returns it: the 8-bit
// raw buffer for modes 0 and 1 (mode 1 fills it with the high bytes of the 16-bit raw buffer),
// the 24-bit colour buffer for modes 2 to 5 (3 takes the first three bytes of the 32-bit
// image, 4 and 5 each colour word as (value >> 4) & 0xFF). A buffer that is filled is first
// given the source's size if it has another. Null for an invalid mode, a missing image or a
// failed conversion.
DibImage* PreparePreviewPicture(int32_t mode, const SessionImages& images);

// Paints picture into target, a client area of clientWidth x clientHeight. When the sizes
// match (and the mode is not 1) one StretchBlt reverses all the rows onto it; otherwise
// displayCopy is made the client size (8-bit gray for modes 0 and 1, 24-bit for the others)
// when it is not already, filled by nearest-neighbour scaling and copied with BitBlt.
// 1 when painted, 0 when there was nothing to paint on or a step failed.
int PaintPreviewPicture(platform::DcHandle target, int32_t clientWidth, int32_t clientHeight, int32_t mode,
                        const DibImage& picture, DibImage& displayCopy);

}  // namespace ovilux::image
