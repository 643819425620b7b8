// HueSaturationSimd.h - SSE4.1 and AVX2 forms of the hue and chroma run loop, chosen at run
// time; they must equal the plain loop in HueSaturation.cpp byte for byte.
#pragma once

#include <cstdint>

namespace ovilux::image::filters::detail {

// A run of pixels as three planes of 8-bit model values in, three planes of results out.
struct HueRun {
    const int32_t* blue;
    const int32_t* green;
    const int32_t* red;
    int32_t* outBlue;
    int32_t* outGreen;
    int32_t* outRed;
};

// Works the pixels 0, 1, ... of the run in whole vectors while they fit below count; returns
// the first pixel it did not do. scaleFactor is (saturation + 256) x 256, shift the hue shift
// on the 1530-step wheel.
using HueRunKernel = int32_t (*)(const HueRun& run, int32_t count, int32_t scaleFactor, int32_t shift);

// Works the 8-bit pixels 0, 1, ... of one row of count pixels (channels bytes each, blue first;
// a fourth byte is left as it was) in place, in whole vectors, stopping short of the row's end
// by up to 2 pixels more; returns the first pixel it did not do.
using HueRowKernel = int32_t (*)(uint8_t* pixels, int32_t count, int32_t scaleFactor, int32_t shift);

// The kernels for the instruction set in use; null when only the plain loop is there.
HueRunKernel VectorHueRun();
// channels is 3 or 4.
HueRowKernel VectorHueRow8(int32_t channels);

}  // namespace ovilux::image::filters::detail
