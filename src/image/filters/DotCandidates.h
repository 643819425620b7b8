// DotCandidates.h - the cheap first test of isolated-dot suppression over eight samples at a
// time, so that the full test (neighbours, colour) runs only where it can succeed.
#pragma once

#include <cstdint>

namespace ovilux::image::filters::detail {

constexpr int32_t kCandidateBlock = 8;

// Bit i is set when sample x + i of row may be a dot: (sample - avg) >= threshold, avg being
// the mean (rounded down) of the samples two to the left and right in row and at x + i in
// above and below. Reads columns x - 2 .. x + 9 of row and x .. x + 7 of above and below.
// Without vector instructions every bit is set and the full test decides alone.
uint32_t BrighterCandidates8(const uint8_t* above, const uint8_t* row, const uint8_t* below, int32_t x,
                             int32_t threshold);
// The same with |sample - avg| >= threshold, for 16-bit samples.
uint32_t DistantCandidates16(const uint16_t* above, const uint16_t* row, const uint16_t* below, int32_t x,
                             int32_t threshold);

}  // namespace ovilux::image::filters::detail
