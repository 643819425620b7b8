// OviluxAnalog.cpp - the analog settings the analog dialog changes beyond the filter-value
// rows (exposure in seconds, black level, cooler, preset, gain mode, the camera's defaults),
// sent to the camera and kept here so that the session knows every change.
#include "camera/OviluxUXBase.h"
#include "session/Ovilux.h"

namespace ovilux::session {

bool COvilux::TakesExposureSeconds() const { return camera_ && camera_->IsExposureSecondsSupported() != 0; }

CameraInfoLimits COvilux::AnalogLimits() const {
    CameraInfoLimits limits;
    if (!camera_) {
        return limits;
    }
    camera_->GetGlobalGainMin(&limits.globalGainMin);
    camera_->GetGlobalGainMax(&limits.globalGainMax);
    camera_->GetColorGainMin(&limits.colorGainMin);
    camera_->GetColorGainMax(&limits.colorGainMax);
    camera_->GetRealExposureMin(&limits.exposureMin);
    camera_->GetRealExposureMax(&limits.exposureMax);
    if (TakesExposureSeconds()) {
        camera_->GetExposureSecondsMin(&limits.exposureSecondsMin);
        camera_->GetExposureSecondsMax(&limits.exposureSecondsMax);
    }
    return limits;
}

void COvilux::RereadExposureSeconds() {
    double seconds = 0.0;
    if (TakesExposureSeconds() && camera_->GetExposureSeconds(&seconds)) {
        analog_.exposureSeconds = seconds;
    }
}

bool COvilux::ApplyExposureSeconds(double seconds) {
    if (!TakesExposureSeconds() || !camera_->SetExposureSeconds(seconds)) {
        return false;
    }
    analog_.exposureSeconds = seconds;
    // The exposure value shown beside it is the one the camera took.
    int32_t exposure = 0;
    if (camera_->GetRealExposure(&exposure)) {
        analog_.exposure = exposure;
    }
    return true;
}

bool COvilux::SendGlobalGain(int32_t value) {
    if (!camera_ || !camera_->SetGlobalGain(value)) {
        return false;
    }
    // The sensor's global gain sets its four colour gains; they are sent too, so that the
    // camera reads back the colour gains the session keeps (and sends at every capture start)
    // instead of the ones from before.
    camera_->SetColorGainRed(value);
    camera_->SetColorGainGreen1(value);
    camera_->SetColorGainGreen2(value);
    camera_->SetColorGainBlue(value);
    KeepGlobalGain(analog_, value);
    return true;
}

bool COvilux::ApplyBlackLevel(int32_t level) {
    if (!camera_ || !camera_->IsLevelSupported() || !camera_->SetLevel(level)) {
        return false;
    }
    analog_.blackLevel = level;
    return true;
}

bool COvilux::ApplyCooler(int32_t on) {
    if (!camera_ || !camera_->IsPeltierSupported() || !camera_->SetPeltier(on)) {
        return false;
    }
    analog_.coolerOn = on != 0 ? 1 : 0;
    return true;
}

bool COvilux::ApplyPreset(int32_t on) {
    const int32_t state = on > 0 ? 1 : 0;
    if (!camera_ || !camera_->IsPresetSupported() || !camera_->SetPreset(state)) {
        return false;
    }
    analog_.presetState = state;
    return true;
}

bool COvilux::ApplyGainMode(int32_t mode) {
    // Sent whether or not the camera says it has the switch (the camera's answer decides); kept
    // when taken, or the next capture start would put back the old mode.
    if (!camera_ || !camera_->SetSwitch80(mode)) {
        return false;
    }
    analog_.gainMode = mode;
    return true;
}

void COvilux::ApplyAnalogDefaults() {
    if (!camera_) {
        return;
    }
    camera::COviluxUXBase& camera = *camera_;
    int32_t value = 0;
    if (camera.GetGlobalGainDefault(&value) && camera.SetGlobalGain(value)) {
        analog_.globalGain = value;
    }
    value = 0;
    if (camera.GetColorGainDefault(&value)) {
        for (int32_t index : {15, 14, 17, 16}) {
            SetFilterValue(index, value);
        }
    }
    if (TakesExposureSeconds()) {
        double seconds = 0.0;
        if (camera.GetExposureSecondsDefault(&seconds) && camera.SetExposureSeconds(seconds)) {
            analog_.exposureSeconds = seconds;
        }
    } else if (camera.GetRealExposureDefault(&value)) {
        ApplyExposure(value);
    }
    if (camera.GetLevelDefault(&value)) {
        ApplyBlackLevel(value);
    }
    ApplyCooler(1);
    ApplyPreset(0);
    if (camera.IsSwitch80Supported()) {
        ApplyGainMode(0);
    }
}

void COvilux::PushAnalogSwitches() {
    ApplyBlackLevel(analog_.blackLevel);
    ApplyCooler(analog_.coolerOn);
    ApplyPreset(analog_.presetState);
    if (camera_ && camera_->IsSwitch80Supported()) {
        ApplyGainMode(analog_.gainMode);
    }
}

int32_t COvilux::SelectedDeviceNumber() const { return camera_ ? camera_->GetDeviceNumber() : 0; }

bool COvilux::WidthFree() const { return camera_ && camera_->IsWidthFree() != 0; }

bool COvilux::HeightFree() const { return camera_ && camera_->IsHeightFree() != 0; }

}  // namespace ovilux::session
