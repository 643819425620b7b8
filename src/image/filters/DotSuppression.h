// DotSuppression.h - isolated-dot suppression on a raw frame: single hot samples are replaced
// by the mean of their four same-coloured neighbours.
#pragma once

#include <cstdint>

#include "image/DibImage.h"
#include "image/PixelConverter.h"

namespace ovilux::image::filters {

constexpr int32_t kDotThreshold8 = 30;
constexpr int32_t kDotThreshold16 = 480;
// How far apart two of a pixel's colours must be for the 8-bit test to count them as differing.
constexpr int32_t kDotColourSpread8 = 30;

// Works in place on every sample with two samples of margin on each side (images under 5 x 5
// have none); every test reads the frame as it came, so a replacement never decides another
// (no replacement runs on from a dot or an edge into its surroundings). avg is the mean, rounded down, of the samples two to the left, right, above and
// below.
//   8-bit: a sample at least 30 above avg whose demosaiced colour there (gains.bayerMode as
//   set, not mirrored; the red and blue gains; red and blue modulo 256) has more than one of
//   |R - G|, |R - B|, |G - B| above 30 becomes avg.
//   16-bit: a sample at least 480 from avg and from each of its eight neighbours becomes avg.
// Returns the number of samples replaced; -1, nothing changed, for an image without pixels,
// of another depth, or a Bayer mode outside 0 to 3.
int SuppressIsolatedDots(DibImage& raw, const GainRecord& gains);

// The same, testing every sample in full: the plain form the fast one is held to.
int SuppressIsolatedDotsReference(DibImage& raw, const GainRecord& gains);

}  // namespace ovilux::image::filters
