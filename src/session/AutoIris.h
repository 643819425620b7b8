// AutoIris.h - the library's automatic exposure: five small regions of the raw frame judge it
// too bright or too dark, and a factor scales the camera's exposure or global gain.
#pragma once

#include <cstdint>

#include "image/DibImage.h"

namespace ovilux::session {

// Auto-iris modes: off, scale the exposure value, scale the global gain.
constexpr int32_t kAutoIrisOff = 0;
constexpr int32_t kAutoIrisExposure = 1;
constexpr int32_t kAutoIrisGain = 2;

// The factor by which the frame asks its exposure or gain to change, in hundredths, from the
// levels of the five regions (8-bit samples as they are, 16-bit ones on the 8-bit scale).
// Hundredths keep the ladder exact: 0.85 - 4 x 0.15 summed in floating point falls short of a
// quarter and would truncate a gain of 40 to 9.
int32_t AutoIrisFactor(const image::DibImage& raw);

// Inside the dead band the camera is left alone.
constexpr bool InAutoIrisDeadBand(int32_t percent) { return percent > 60 && percent < 120; }

// The new value of a setting now at current, scaled by percent / 100 (truncated) and clamped to the camera's
// limits: at or above maximum gives maximum. The gain is scaled from at least 4 and, when
// the factor raises it, stays at least 4; the exposure is at least 1.
int32_t AutoIrisGain(int32_t current, int32_t percent, int32_t minimum, int32_t maximum);
int32_t AutoIrisExposure(int32_t current, int32_t percent, int32_t minimum, int32_t maximum);

}  // namespace ovilux::session
