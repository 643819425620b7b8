// GrayGains.h - gray mode 1: a gain and an offset per position of the 2 x 2 Bayer block on a
// monochrome raw frame, and the automatic gray gain that measures the gains from the frame.
#pragma once

#include <cstdint>

#include "image/DibImage.h"

namespace ovilux::image::filters {

// Gains have 128 as unity. The four channels sit in the 2 x 2 block by the gray filter's own
// reading of the Bayer mode (rows in memory order):
//   mode 0: G1 R / B G2   mode 1: B G2 / G1 R   mode 2: R G1 / G2 B   mode 3: G2 B / R G1
// significantBits sets the largest 16-bit result: 1023, 4095, 16383 for 10, 12, 14 bits,
// 65535 for any other count. 8-bit results stop at 255.
struct GrayRecord {
    int32_t bayerMode, gainR, gainG1, gainG2, gainB, offsetR, offsetG1, offsetG2, offsetB, significantBits;
};

constexpr int32_t kGrayUnityGain = 128;
constexpr int32_t kGrayNeutralOffset = 128;
constexpr int32_t kMaxGrayGain = 255;

// Every sample of an 8 or 16-bit raw image becomes offset + gain x sample / 128 (the division
// truncating toward zero), clipped to 0 and the largest value. Unity gains with all offsets 0,
// or all 128 (the stored neutral setting), leave the image as it is without touching it. False, nothing changed, for an image without
// pixels, of another depth, or a Bayer mode outside 0 to 3.
bool ApplyGrayGains(DibImage& raw, const GrayRecord& record);
// The same by the formula on every sample: the plain form the table-driven one is held to.
bool ApplyGrayGainsReference(DibImage& raw, const GrayRecord& record);

// The gains that bring the R, G2 and B channel means to the G1 mean: each mean is taken over
// the samples whose 8-bit value (16-bit samples as bits 11 to 4) lies strictly between 0 and
// 255; gain X = trunc(mean G1 / mean X x 128) in single precision, at most 255, and gain G1 =
// 128. Writes the four gains, not the offsets. False, record unchanged, when a channel has no
// such sample (a black or white frame), the image has no pixels or another depth, or the
// Bayer mode is outside 0 to 3.
bool MeasureGrayGains(const DibImage& raw, GrayRecord& record);

}  // namespace ovilux::image::filters
