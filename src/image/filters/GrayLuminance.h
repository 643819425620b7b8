// GrayLuminance.h - gray mode 2: the monochrome frame replaced by the luminance of its
// demosaiced colours.
#pragma once

#include "image/DibImage.h"
#include "image/PixelConverter.h"

namespace ovilux::image::filters {

// Demosaics the 8-bit raw image (gains as for the demosaic: the mirrored Bayer mode and the
// Bayer gains) into colour24 and overwrites raw8 with (30 x red + 59 x green + 11 x blue) / 100
// of it. colour24 is the step's working image: it is made 24-bit of raw8's size when it is
// not. False, raw8 unchanged, for a raw image without pixels, not 8-bit or under 4 x 4
// samples (the demosaic's least), a Bayer mode outside 0 to 3, or when colour24 cannot be made.
bool GrayToLuminance(DibImage& raw8, DibImage& colour24, const GainRecord& gains);

}  // namespace ovilux::image::filters
