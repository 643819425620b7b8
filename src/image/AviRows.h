// AviRows.h - any image of the session's colour modes as the rows an AVI frame holds: 24 bits,
// blue green red, bottom-up, padded to 4 bytes.
#pragma once

#include "image/DibImage.h"

namespace ovilux::image {

// Converts source (8, 16, 24, 32, 48 or 64 bits) into rows24, a 24-bit image of the same size:
// gray levels become three equal bytes, 16-bit samples give bits 11 to 4 like every other
// reduction to 8 bits. False when the images do not fit each other.
bool ToAviRows(const DibImage& source, DibImage& rows24);

}  // namespace ovilux::image
