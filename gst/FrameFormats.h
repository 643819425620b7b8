// FrameFormats.h - the library's colour modes as GStreamer caps: which modes a source offers, at
// which size, phase and rate, and which mode fixed caps ask for.
#pragma once

#include <gst/gst.h>

#include <cstdint>

namespace ovilux_gst {

// Every format the source gives, at any size and rate (its pad template).
GstCaps* TemplateCaps();
// Every format at this frame size, raw Bayer in this phase (the library's Bayer mode numbers),
// at the frame rate num/den (0/1 leaves it open to any rate), in the source's order of
// preference: colour first.
GstCaps* OfferedCaps(int32_t width, int32_t height, int32_t bayerPhase, int32_t rateNum, int32_t rateDen);
// The colour mode (bits per pixel) fixed caps ask for; 0 for caps the source does not give.
int32_t ColourModeOf(const GstCaps* caps);
// The bytes of one frame in a colour mode: rows padded to 4 bytes, as the library and
// GStreamer's default strides both lay them out.
size_t FrameBytes(int32_t width, int32_t height, int32_t bitsPerPixel);

}  // namespace ovilux_gst
