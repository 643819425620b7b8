// SourceSettings.h - the settings a user gave oviluxsrc as properties; those not given stay as
// the library keeps them for the camera.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "CameraStream.h"

namespace ovilux_gst {

struct SourceSettings {
    std::string camera = "0";
    bool factorySettings = false;
    std::optional<int32_t> exposureUs;
    std::optional<int32_t> gain;
    std::optional<CaptureWindow> window;
    std::string windowText;
    std::optional<int32_t> subsample;
    std::optional<bool> mirrorH;
    std::optional<bool> mirrorV;
};

// Gives every setting that was given to the opened camera; false with the first refusal's reason.
bool ApplyAll(CameraStream& stream, const SourceSettings& settings, std::string* error);
// The settings that change the frames' size or phase.
bool ApplyShape(CameraStream& stream, const SourceSettings& settings, std::string* error);

}  // namespace ovilux_gst
