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

std::optional<std::string> BrokenWindowRule(int32_t x, int32_t y, int32_t width, int32_t height, int32_t subsample) {
    struct Steps {
        const char* mode;
        int32_t width, height, origin;
    };
    static const Steps kSteps[] = {{"at full size", 16, 2, 2}, {"at --subsample 1", 32, 8, 4}, {"at --subsample 2", 64, 16, 8}};
    const Steps& steps = kSteps[subsample >= 0 && subsample <= 2 ? subsample : 0];
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    const std::string origin = std::to_string(x) + ", " + std::to_string(y);
    const std::string broke = "the window broke a rule: ";
    if (width < 320 || height < 8) {
        return broke + "a window is at least 320 x 8 pixels; this one is " + size;
    }
    if (int64_t{x} + width > kSensorColumns || int64_t{y} + height > kSensorRows) {
        return broke + "a window lies inside the 2592 x 1944 sensor; this one is " + size + " at " + origin;
    }
    if (width % steps.width != 0) {
        return broke + steps.mode + " the width is a multiple of " + std::to_string(steps.width) + "; this one is " +
               std::to_string(width);
    }
    if (height % steps.height != 0) {
        return broke + steps.mode + " the height is a multiple of " + std::to_string(steps.height) +
               "; this one is " + std::to_string(height);
    }
    if (x % steps.origin != 0 || y % steps.origin != 0) {
        return broke + steps.mode + " the origin's x and y are multiples of " + std::to_string(steps.origin) +
               (steps.origin == 2 ? " (the origin even)" : "") + "; this one is at " + origin;
    }
    return std::nullopt;
}

std::string RefusedWindow(int32_t x, int32_t y, int32_t width, int32_t height, int32_t subsample) {
    return BrokenWindowRule(x, y, width, height, subsample)
        .value_or(std::string("the camera refused the window: ") + kWindowRules);
}

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
