// WhiteBalance.h - the automatic white balance's measurement: red and blue Bayer gains that
// bring the frame's red and blue means to its green mean.
#pragma once

#include <cstdint>

#include "image/DibImage.h"

namespace ovilux::image::filters {

// Over the whole 8 or 16-bit raw image, with the demosaic's colours for adjustedBayerMode (the
// mode after mirroring): the means of the red, the blue and both green samples, and in double
// precision gain X = trunc((s / mean X / 3) x 100 / (s / mean G / 3)), s the sum of the three
// means, i.e. 100 x mean G / mean X, at most 400. False, gains unchanged, when a mean is 0
// (a black frame, or a colour with no sample), the image has no pixels or another depth, or
// the mode is outside 0 to 3.
bool MeasureWhiteBalance(const DibImage& raw, int32_t adjustedBayerMode, int32_t& redGain, int32_t& blueGain);

}  // namespace ovilux::image::filters
