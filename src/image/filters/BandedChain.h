// BandedChain.h - the demosaic and the adjustments of a frame's result image, worked band of
// rows by band so that every step reads rows still in cache from the step before it.
#pragma once

#include <cstdint>

#include "image/DibImage.h"
#include "image/PixelConverter.h"

namespace ovilux::image::filters {

// The adjustment settings of one frame; each step runs only away from its neutral value.
struct Adjustments {
    int32_t hue;
    int32_t saturation;
    int32_t gamma;
    int32_t contrast;
    int32_t sharpness;
    int32_t brightness;
};

// Demosaics raw into result when raw is given (gains as the demosaic takes them; raw clipped
// to the result's size), then adjusts the result: hue and saturation (colour images only),
// gamma, contrast, sharpness, brightness. Equal sample for sample to the whole-image steps one
// after the other, gamma, contrast and brightness fused into one table when no sharpening
// separates them; a step whose setting is out of range is left out, as that step alone would
// refuse it. bandRows is the rows per band, 0 for a size that keeps a band in cache; threads
// the number of threads that share the rows (the caller's one among them), the result the same
// whatever it is. False, nothing written, when the demosaic refuses the images.
bool DemosaicAndAdjust(DibImage& result, const DibImage* raw, const GainRecord& gains, const Adjustments& adjustments,
                       int32_t bandRows = 0, int32_t threads = 1);

}  // namespace ovilux::image::filters
