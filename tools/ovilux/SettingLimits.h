// SettingLimits.h - what the camera accepts, said beside a refused setting: the ranges the camera
// reports and the rules a capture window must follow.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ovilux_tool {

// The M03's sensor, on which the tool's windows are placed.
constexpr int32_t kSensorColumns = 2592;
constexpr int32_t kSensorRows = 1944;

// The rules of a capture window on the 2592 x 1944 sensor, for each subsample mode.
extern const char* const kWindowRules;

// The first rule the window breaks at that sub-sampling, said with the window's own numbers;
// none when it keeps them all.
std::optional<std::string> BrokenWindowRule(int32_t x, int32_t y, int32_t width, int32_t height, int32_t subsample);
// Why the camera refused the window: the rule it broke, or all the rules when it broke none the
// tool knows of.
std::string RefusedWindow(int32_t x, int32_t y, int32_t width, int32_t height, int32_t subsample);

// Prints, after a refusal, the range of global gain or exposure the session's camera reports.
void ExplainGainRange(uint32_t handle);
void ExplainExposureRange(uint32_t handle);

}  // namespace ovilux_tool
