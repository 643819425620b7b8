// CameraOptions.h - the capture options snap, live and record share: the window, sub-sampling,
// exposure and gain, read from the command line and given to the session's camera.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "Arguments.h"

namespace ovilux_tool {

class CameraSession;

struct CameraOptions {
    std::optional<WindowSpec> window;
    std::optional<int32_t> subsample;
    std::optional<int32_t> exposureUs;
    std::optional<int32_t> gain;
};

enum class OptionTaken { Yes, NotOurs, Wrong };

// Takes option (already taken from args) and its value when it is one of the shared ones;
// Wrong after a message for a value that is not a number or a window.
OptionTaken TakeCameraOption(const std::string& option, Arguments& args, CameraOptions& options);

// Gives the options to the camera; false after reporting the refused call with what the camera
// accepts. A refused window or sub-sampling is undone, since the library would keep it (and
// store it with the settings, failing every later capture).
bool ApplyCameraOptions(const CameraSession& session, const CameraOptions& options);

}  // namespace ovilux_tool
