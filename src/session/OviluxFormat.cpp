// OviluxFormat.cpp - the image format, mirroring, preview placement, auto-iris mode and
// exposure of a session.
#include <algorithm>
#include <cmath>
#include <limits>

#include "camera/OviluxUXBase.h"
#include "platform/SettingsStore.h"
#include "session/Ovilux.h"
#include "session/SettingsLayout.h"

namespace ovilux::session {

namespace {

// The only window sizes a camera without free sizing takes, and the window of a first run.
constexpr int32_t kFixedWidth = 2560;
constexpr int32_t kFixedHeight = 1920;
constexpr int32_t kFirstRunWidth = kFixedWidth;
constexpr int32_t kFirstRunHeight = kFixedHeight;

constexpr int32_t kMaxSubSample = 2;
constexpr int32_t kMaxAutoIrisMode = 2;
// Exposure values count 0.1 ms; the application speaks microseconds and seconds.
constexpr int32_t kMicrosecondsPerUnit = 100;
constexpr double kUnitsPerSecond = 10000.0;

}  // namespace

COvilux::WindowValues COvilux::StoredWindow() const {
    return WindowValues{window_.TH, window_.TV, window_.EH, window_.EV, window_.EHS, window_.EVS};
}

void COvilux::StoreWindow(const WindowValues& window) {
    window_.TH = window.TH;
    window_.TV = window.TV;
    window_.EH = window.EH;
    window_.EV = window.EV;
    window_.EHS = window.EHS;
    window_.EVS = window.EVS;
}

int32_t COvilux::SensorWidth() const {
    const int32_t width = camera_ ? camera_->GetMaxWidth() : 0;
    return width > 0 ? width : kSensorWidth;
}

int32_t COvilux::SensorHeight() const {
    const int32_t height = camera_ ? camera_->GetMaxHeight() : 0;
    return height > 0 ? height : kSensorHeight;
}

void COvilux::FitWindowToSensor() {
    if (IsWindowValid(StoredWindow())) {
        return;
    }
    // The first-run window, within the sensor's own default window.
    const int32_t width = std::min(kFirstRunWidth, camera_->GetDefaultWidth());
    const int32_t height = std::min(kFirstRunHeight, camera_->GetDefaultHeight());
    if (width > 0 && height > 0) {
        StoreWindow(WindowValues{SensorWidth(), SensorHeight(), width, height, 0, 0});
    }
}

bool COvilux::IsWindowValid(const WindowValues& window) const {
    // Sums in 64 bits: a start near the largest int would wrap round and pass.
    const int64_t endH = int64_t{window.EHS} + window.EH;
    const int64_t endV = int64_t{window.EVS} + window.EV;
    return window.TH >= 0 && window.TV >= 0 && window.EH >= 0 && window.EV >= 0 && window.EHS >= 0 &&
           window.EVS >= 0 && endH <= SensorWidth() && endV <= SensorHeight() && subSample_ != 3;
}

int32_t COvilux::SetCaptureWindow(int32_t width, int32_t height) {
    if (!camera_) {
        RecordError(code::kNoCamera);
        return 0;
    }
    const std::optional<StoredKey> found = FindSizePreset(width, height);
    if (!found) {
        RecordError(code::kWindow);
        return 0;
    }
    // Under the capture lock: a snapshot on another thread keeps the window it was prepared
    // with, and this one takes effect for the next frame.
    platform::CriticalSectionLock guard(captureLock_);
    for (size_t i = 0; i < std::size(kPresetValueNames); ++i) {
        if (const std::optional<int32_t> value = found->Dword(kPresetValueNames[i])) {
            (window_.*kPresetFields[i]) = *value;
        }
    }
    if (!IsWindowValid(StoredWindow())) {
        RecordError(code::kBadWindow);
        StoreWindow(WindowValues{SensorWidth(), SensorHeight(), SensorWidth(), SensorHeight(), 0, 0});
    }
    // A running live view keeps the window it was prepared with; the next start programs this one.
    ShowCameraTheWindow();
    return 1;
}

int32_t COvilux::SetCaptureWindowEx(int32_t hTotal, int32_t hStart, int32_t hEffective, int32_t vTotal, int32_t vStart,
                                    int32_t vEffective) {
    if (!camera_) {
        RecordError(code::kNoCamera);
        return 0;
    }
    if ((!camera_->IsWidthFree() && hEffective != kFixedWidth) ||
        (!camera_->IsHeightFree() && vEffective != kFixedHeight)) {
        RecordError(code::kBadArgument);
        return 0;
    }
    // A refused window is not kept: the session goes on reporting and using the last good one.
    const WindowValues wanted{hTotal, vTotal, hEffective, vEffective, hStart, vStart};
    if (!IsWindowValid(wanted)) {
        RecordError(code::kBadWindow);
        return 0;
    }
    platform::CriticalSectionLock guard(captureLock_);
    const WindowValues previous = StoredWindow();
    StoreWindow(wanted);
    if (captureState_ == state::kLiveView) {
        return 1;
    }
    if (!camera_->SetCaptureWindow(hStart, vStart, hEffective, vEffective, subSample_)) {
        // The camera keeps the window it had, and so does the session.
        StoreWindow(previous);
        RecordError(code::kBadWindow);
        return 0;
    }
    return 1;
}

int32_t COvilux::GetCaptureWindowEx(int32_t* hTotal, int32_t* hStart, int32_t* hEffective, int32_t* vTotal,
                                    int32_t* vStart, int32_t* vEffective) {
    const auto put = [](int32_t* out, const KeptInt& value) {
        if (out != nullptr) {
            *out = value.load();
        }
    };
    put(hTotal, window_.TH);
    put(hStart, window_.EHS);
    put(hEffective, window_.EH);
    put(vTotal, window_.TV);
    put(vStart, window_.EVS);
    put(vEffective, window_.EV);
    return 1;
}

int32_t COvilux::SetColorMode(int32_t bits) {
    const int32_t mode = ColourModeOfBits(bits);
    if (mode < 0) {
        RecordError(code::kBadArgument);
        return 0;
    }
    colourMode_ = mode;
    return 1;
}

int32_t COvilux::GetColorMode() const {
    const int32_t mode = colourMode_;
    return mode >= 0 && mode < kColourModeCount ? kColourModeBits[mode] : -1;
}

int32_t COvilux::SetSubSample(int32_t code) {
    if (code < 0 || code > kMaxSubSample) {
        return 0;
    }
    subSample_ = code;
    if (camera_) {
        platform::CriticalSectionLock guard(captureLock_);
        ShowCameraTheWindow();
    }
    return 1;
}

void COvilux::ShowCameraTheWindow() {
    if (captureState_ != state::kLiveView) {
        camera_->SetCaptureWindow(window_.EHS, window_.EVS, window_.EH, window_.EV, subSample_);
    }
}

int32_t COvilux::SetMirrorH(int32_t on) {
    if (!camera_) {
        RecordError(code::kNoCamera);
        return 0;
    }
    const int32_t flag = on != 0 ? 1 : 0;
    if (!camera_->SetMirrorH(flag)) {
        RecordError(code::kRefused);
        return 0;
    }
    analog_.mirrorH = flag;
    return 1;
}

int32_t COvilux::SetMirrorV(int32_t on) {
    if (!camera_) {
        PostCode(code::kNoCamera);
        return 0;
    }
    const int32_t flag = on != 0 ? 1 : 0;
    if (!camera_->SetMirrorV(flag)) {
        RecordError(code::kRefused);
        return 0;
    }
    analog_.mirrorV = flag;
    return 1;
}

int32_t COvilux::GetMirrorH() {
    if (!camera_) {
        RecordError(code::kNoCamera);
        return 0;
    }
    return analog_.mirrorH;
}

int32_t COvilux::GetMirrorV() {
    if (!camera_) {
        PostCode(code::kNoCamera);
        return 0;
    }
    return analog_.mirrorV;
}

int32_t COvilux::SetSamplingRate(int32_t value) {
    if (!camera_) {
        RecordError(code::kNoCamera);
        return 0;
    }
    int32_t rate = value;
    return camera_->SetSamplingRate(0, &rate);
}

int32_t COvilux::SetPreviewWindow(platform::WindowHandle parent, int32_t x, int32_t y, int32_t width, int32_t height) {
    if (!camera_) {
        RecordError(code::kNoCamera);
        return 0;
    }
    previewParent_ = parent;
    previewX_ = x;
    previewY_ = y;
    previewWidth_ = width;
    previewHeight_ = height;
    return 1;
}

bool COvilux::HasPreviewPlacement() const {
    return previewParent_.load() != nullptr || previewX_ != 0 || previewY_ != 0 || previewWidth_ != 0 ||
           previewHeight_ != 0;
}

int32_t COvilux::SetAutoIris(int32_t mode) {
    if (mode < 0 || mode > kMaxAutoIrisMode) {
        PostCode(code::kBadArgument);
        return 0;
    }
    analog_.autoIris = mode;
    return 1;
}

int32_t COvilux::GetAutoIris(int32_t* ok) {
    if (ok != nullptr) {
        *ok = 1;
    }
    return analog_.autoIris;
}

bool COvilux::ExposureLimits(int32_t* minimum, int32_t* maximum) {
    if (!camera_->GetRealExposureMin(minimum) || !camera_->GetRealExposureMax(maximum)) {
        RecordError(code::kNotPresent);
        return false;
    }
    return true;
}

int32_t COvilux::ApplyExposure(int32_t value) {
    if (!camera_->SetRealExposure(value)) {
        RecordError(code::kRefused);
        return 0;
    }
    // Keep what the camera took: its shutter may reach less than was asked (a full-width M03
    // frame tops out near 1.2 s), and the kept value is what the application reads back.
    int32_t taken = 0;
    analog_.exposure = camera_->GetRealExposure(&taken) && taken > 0 ? taken : value;
    double seconds = 0.0;
    if (camera_->IsExposureSecondsSupported() && camera_->GetExposureSeconds(&seconds)) {
        analog_.exposureSeconds = seconds;
    }
    return 1;
}

int32_t COvilux::SetExposureTimeEx(double seconds) {
    if (!camera_) {
        RecordError(code::kNoCamera);
        return 0;
    }
    if (!camera_->IsExposureSecondsSupported()) {
        RecordError(code::kNotSupported);
        return 0;
    }
    if (!camera_->SetExposureSeconds(seconds)) {
        return 0;
    }
    analog_.exposureSeconds = seconds;
    // The kept value counts 0.1 ms: the whole time, not only its whole seconds.
    const double units = std::trunc(seconds * kUnitsPerSecond);
    const double limit = std::numeric_limits<int32_t>::max();
    analog_.exposure = static_cast<int32_t>(units < 0 ? 0 : (units > limit ? limit : units));
    return 1;
}

double COvilux::GetExposureTimeEx(int32_t* ok) {
    const auto fail = [ok](double value) {
        if (ok != nullptr) {
            *ok = 0;
        }
        return value;
    };
    if (!camera_) {
        RecordError(code::kNoCamera);
        return fail(-1.0);
    }
    if (!camera_->IsExposureSecondsSupported()) {
        RecordError(code::kNotSupported);
        return fail(-1.0);
    }
    double seconds = 0.0;
    if (!camera_->GetExposureSeconds(&seconds)) {
        RecordError(code::kRefused);
        return fail(-1.0);
    }
    analog_.exposureSeconds = seconds;
    if (ok != nullptr) {
        *ok = 1;
    }
    return seconds;
}

int32_t COvilux::SetRealExposureTime(int32_t microseconds) {
    if (!camera_) {
        RecordError(code::kNoCamera);
        return 0;
    }
    const int32_t value = microseconds / kMicrosecondsPerUnit;
    int32_t minimum = 0;
    int32_t maximum = 0;
    if (!ExposureLimits(&minimum, &maximum)) {
        return 0;
    }
    if (value < minimum || value > maximum) {
        RecordError(code::kBadArgument);
        return 0;
    }
    return ApplyExposure(value);
}

int32_t COvilux::GetRealExposureTime(int32_t* ok) {
    if (!camera_) {
        RecordError(code::kNoCamera);
        if (ok != nullptr) {
            *ok = 0;
        }
        return 0;
    }
    if (ok != nullptr) {
        *ok = 1;
    }
    return analog_.exposure * kMicrosecondsPerUnit;
}

int32_t COvilux::SetWaitTime(int32_t milliseconds) {
    if (milliseconds < 0) {
        return 0;
    }
    waitTime_ = milliseconds;
    return 1;
}

}  // namespace ovilux::session
