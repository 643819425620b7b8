// Ovilux.cpp - the session's construction, initialisation, settings groups and destruction.
#include "session/Ovilux.h"

#include <new>

#include "camera/OviluxUXBase.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "session/FreshProfile.h"
#include "session/SessionProduct.h"

namespace ovilux::session {

COvilux::COvilux() : lastRateTime_(platform::TimeGetTime()) { waitTime_ = kDefaultWaitTimeMs; }

COvilux::~COvilux() {
    // A session that never had a camera holds no settings of one: storing its placeholders
    // would give the next session a camera with zero gains.
    if (camera_ && deviceSelected_) {
        StoreDeviceSettings();
    }
    Close();
    if (camera_) {
        camera_->Close();
    }
    camera_.reset();
}

int32_t COvilux::Initialize(platform::WindowHandle notifyWindow, bool useStore) {
    usesStore_ = useStore && !platform::SettingsStore::FactorySettingsRequested();
    camera_.reset(new (std::nothrow) camera::COviluxUXSimpleSdk());
    errors_.SetWindow(notifyWindow);
    // A window the system will not register still gets the library's own messages (simulated
    // cameras); a session without arrival messages is still a working session.
    arrivals_.Register(notifyWindow, platform::kFx3DriverGuid);
    if (!camera_) {
        RecordError(code::kMemory);
        return 0;
    }

    LoadSize();
    productId_ = SessionProduct();
    camera_->SetProductId(productId_);
    camera_->CreateController(notifyWindow, nullptr);
    if (camera_->CountDevices(productId_) == 1) {
        SetDeviceNumber(0);
    }
    LoadDeviceSettings();
    // The format of a first run is what the store was just given; a store that cannot be
    // reached at all leaves the session with that same format rather than the bare constructor's.
    colourMode_ = kFreshColourMode;
    subSample_ = kFreshSubSample;
    waitTime_ = kFreshWaitTimeMs;
    clockMode_ = kFreshClockMode;
    LoadFormat();
    return 1;
}

void COvilux::SendExposure() {
    if (camera_->IsExposureSecondsSupported()) {
        camera_->SetExposureSeconds(analog_.exposureSeconds.load());
    } else {
        camera_->SetRealExposure(analog_.exposure.load());
    }
}

void COvilux::PushSelectionSettings() {
    camera::COviluxUXBase& camera = *camera_;
    ShowCameraTheWindow();
    camera.SetGlobalGain(analog_.globalGain);
    camera.SetColorGainGreen1(analog_.colorGainGreen1);
    camera.SetColorGainRed(analog_.colorGainRed);
    camera.SetColorGainBlue(analog_.colorGainBlue);
    camera.SetColorGainGreen2(analog_.colorGainGreen2);
    SendExposure();
    camera.SetMirrorV(analog_.mirrorV);
    camera.SetMirrorH(analog_.mirrorH);
    if (camera.IsLevelSupported()) {
        camera.SetLevel(analog_.blackLevel);
    }
    if (camera.IsPeltierSupported()) {
        camera.SetPeltier(1);
        analog_.coolerOn = 1;
    }
    if (camera.IsPresetSupported()) {
        camera.SetPreset(0);
        analog_.presetState = 0;
    }
    if (camera.IsSwitch80Supported()) {
        camera.SetSwitch80(analog_.gainMode);
    }
}

void COvilux::PushCaptureSettings() {
    camera::COviluxUXBase& camera = *camera_;
    camera.SetMirrorV(analog_.mirrorV);
    camera.SetMirrorH(analog_.mirrorH);
    camera.SetTriggerMode(0, 1);
    camera.SetGlobalGain(analog_.globalGain);
    camera.SetColorGainGreen1(analog_.colorGainGreen1);
    camera.SetColorGainRed(analog_.colorGainRed);
    camera.SetColorGainBlue(analog_.colorGainBlue);
    camera.SetColorGainGreen2(analog_.colorGainGreen2);
    SendExposure();
    analog_.lastExposureMicroseconds = analog_.exposure * 100;
    if (camera.IsOptionSupported()) {
        camera.SetOption(0);
    }
    camera.SetSwitch80(0);
    if (camera.IsSwitch80Supported()) {
        camera.SetSwitch80(analog_.gainMode);
    }
    if (camera.IsLevelSupported()) {
        camera.SetLevel(analog_.blackLevel);
    }
    camera.RestartSensor();
}

}  // namespace ovilux::session
