// SourceSettings.cpp - the given settings, given to the camera.
#include "SourceSettings.h"

namespace ovilux_gst {

bool ApplyShape(CameraStream& stream, const SourceSettings& settings, std::string* error) {
    if ((settings.window || settings.subsample) && !stream.SetWindow(settings.window, settings.subsample, error)) {
        return false;
    }
    if (settings.mirrorH || settings.mirrorV) {
        const bool horizontal = settings.mirrorH.value_or(stream.MirrorH());
        const bool vertical = settings.mirrorV.value_or(stream.MirrorV());
        return stream.SetMirrors(horizontal, vertical, error);
    }
    return true;
}

bool ApplyAll(CameraStream& stream, const SourceSettings& settings, std::string* error) {
    if (!ApplyShape(stream, settings, error)) {
        return false;
    }
    if (settings.exposureUs && !stream.SetExposure(*settings.exposureUs, error)) {
        return false;
    }
    return !settings.gain || stream.SetGain(*settings.gain, error);
}

}  // namespace ovilux_gst
