// FrameConversion.h - the per-frame chain between a raw frame and the image the application
// receives: row re-layout, the corrections on the raw buffer, the demosaic of the colour
// modes, the adjustments of the result, and the copy into the application's buffer.
#pragma once

#include <cstdint>

#include "image/DibImage.h"
#include "image/RawMirror.h"
#include "image/filters/BandedChain.h"
#include "image/filters/GrayGains.h"
#include "session/ImageBuffers.h"

namespace ovilux::session {

// Gray modes of the monochrome colour modes.
constexpr int32_t kGrayModeBayer = 0;
constexpr int32_t kGrayModeGains = 1;
constexpr int32_t kGrayModeLuminance = 2;

// What a conversion reads of the session's settings, taken once per frame. The raw steps
// write what they measure back into it (Bayer gains, gray gains) for the session to keep.
struct ConversionSettings {
    int32_t colourMode;  // 0 to 5
    int32_t bayerMode;   // as kept, before the mirroring adjustment
    int32_t redGain;     // percent
    int32_t greenGain;
    int32_t blueGain;
    image::MirrorState mirror;
    int32_t subSample;   // bit 0x10 switches the isolated-dot suppression off
    bool whiteBalance;   // measure the Bayer gains before the demosaic
    int32_t grayMode;
    int32_t grayGainCounter;  // non-zero: measure the gray gains first
    image::filters::GrayRecord gray;
    image::filters::Adjustments adjustments;  // of the result image
};

// What the raw steps measured into the settings.
struct RawMeasurements {
    bool whiteBalance = false;
    bool grayGains = false;
};

// A camera frame arrives as packed rows; moves them to the image's row stride when it differs.
void RepackRawFrame(image::DibImage& raw);

// The corrections of the raw buffer, once per frame taken: isolated-dot suppression, the gray
// modes of the monochrome modes, software mirroring, and the white-balance measurement that
// the demosaic then uses.
RawMeasurements CorrectRawFrame(ImageBuffers& images, ConversionSettings& settings);

// Turns the corrected raw frame of the colour mode into its result image and adjusts it (hue
// and saturation, gamma, contrast, sharpness, brightness). The monochrome modes adjust the raw
// buffer itself. False when the images do not fit the mode.
bool ConvertFrame(ImageBuffers& images, const ConversionSettings& settings);

// Copies the image's rows (stride bytes each) into buffer: in stored order for a non-zero
// rowOrder, last row first for 0. False, with nothing written, when size is below the image's
// bytes or the image has no pixels.
bool CopyImageTo(const image::DibImage& source, void* buffer, int32_t size, int32_t rowOrder);

}  // namespace ovilux::session
