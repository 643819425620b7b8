// FrameConversion.h - the steps between a raw frame and the image the application receives:
// row re-layout, the demosaic of the colour modes, and the copy into the application's buffer.
#pragma once

#include <cstdint>

#include "image/DibImage.h"
#include "session/ImageBuffers.h"

namespace ovilux::session {

// What a conversion reads of the session's settings, taken once per frame.
struct ConversionSettings {
    int32_t colourMode;  // 0 to 5
    int32_t bayerMode;   // as kept, before the mirroring adjustment
    int32_t redGain;     // percent
    int32_t greenGain;
    int32_t blueGain;
    bool mirrorH;
    bool mirrorV;
};

// A camera frame arrives as packed rows; moves them to the image's row stride when it differs.
void RepackRawFrame(image::DibImage& raw);

// Turns the raw frame of the colour mode into its result image: the monochrome modes use the
// raw buffer as it is, the colour modes are demosaiced into their output. False when the
// images do not fit the mode.
bool ConvertFrame(ImageBuffers& images, const ConversionSettings& settings);

// Copies the image's rows (stride bytes each) into buffer: in stored order for a non-zero
// rowOrder, last row first for 0. False, with nothing written, when size is below the image's
// bytes or the image has no pixels.
bool CopyImageTo(const image::DibImage& source, void* buffer, int32_t size, int32_t rowOrder);

}  // namespace ovilux::session
