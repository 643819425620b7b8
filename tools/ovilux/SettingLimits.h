// SettingLimits.h - what the camera accepts, said beside a refused setting: the ranges the camera
// reports and the rules a capture window must follow.
#pragma once

#include <cstdint>

namespace ovilux_tool {

// The rules of a capture window on the 2592 x 1944 sensor, for each subsample mode.
extern const char* const kWindowRules;

// Prints, after a refusal, the range of global gain or exposure the session's camera reports.
void ExplainGainRange(uint32_t handle);
void ExplainExposureRange(uint32_t handle);

}  // namespace ovilux_tool
