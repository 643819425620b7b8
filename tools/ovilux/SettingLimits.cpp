// SettingLimits.cpp - the ranges and rules printed beside a refused setting.
#include "SettingLimits.h"

#include <string>

#include "Arguments.h"
#include "OviluxSdk.h"

namespace ovilux_tool {

const char* const kWindowRules =
    "a window is at least 320 x 8 pixels and lies inside the 2592 x 1944 sensor; at full size its width is "
    "a multiple of 16, its height a multiple of 2 and its origin even; at --subsample 1 the multiples are "
    "32, 8 and 4, at --subsample 2 they are 64, 16 and 8";

namespace {

// The camera's limits; false (with a message) when it does not say.
bool ReadInfo(uint32_t handle, OviluxCameraInfo* info) {
    *info = OviluxCameraInfo{};
    info->size = sizeof(*info);
    if (!Ovilux_GetCameraInfo(handle, info)) {
        Complain("the camera does not report its ranges");
        return false;
    }
    return true;
}

}  // namespace

void ExplainGainRange(uint32_t handle) {
    OviluxCameraInfo info;
    if (ReadInfo(handle, &info)) {
        Complain("the camera takes a global gain from " + std::to_string(info.globalGainMin) + " to " +
                 std::to_string(info.globalGainMax));
    }
}

void ExplainExposureRange(uint32_t handle) {
    OviluxCameraInfo info;
    if (ReadInfo(handle, &info)) {
        Complain("the camera takes an exposure from " + std::to_string(info.exposureMin * 100) + " to " +
                 std::to_string(static_cast<int64_t>(info.exposureMax) * 100) + " us, in steps of 100 us");
    }
}

}  // namespace ovilux_tool
