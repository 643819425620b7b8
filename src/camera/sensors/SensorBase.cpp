// SensorBase.cpp - the defaults every sensor model starts from.
#include "camera/sensors/SensorBase.h"

#include <cstring>

#include "platform/Clock.h"
#include "platform/DebugOutput.h"

namespace ovilux::camera {

namespace {

constexpr uint8_t kResetRegister = 108;
constexpr uint8_t kAlternateResetRegister = 150;
constexpr uint8_t kSerialResetRegister = 129;
constexpr uint8_t kVideoReadyBit = 0x02;
constexpr uint32_t kSerialResetWaitMs = 5000;
constexpr uint32_t kSerialResetPulseMs = 100;

// The variants whose FPGA takes the reset pulse on register 150.
bool UsesAlternateReset(int32_t variant) { return variant == 103 || variant == 115; }

// Writes a value to out when it is given; the result is the given supported flag.
int32_t Report(int32_t* out, int32_t value, int32_t result) {
    if (out == nullptr) {
        return 0;
    }
    *out = value;
    return result;
}

int32_t Report(double* out, double value, int32_t result) {
    if (out == nullptr) {
        return 0;
    }
    *out = value;
    return result;
}

}  // namespace

CSensorBase::CSensorBase(usb::CControllerBase* controller, uint8_t busAddress)
    : controller_(controller), busAddress_(busAddress) {}

CSensorBase::~CSensorBase() = default;

int32_t CSensorBase::SetVariant(int32_t code) {
    variant_ = code;
    return 1;
}

int32_t CSensorBase::SetModeWord(int32_t word) {
    modeWord_ = word;
    return 1;
}

int32_t CSensorBase::GetModeWord() { return modeWord_; }

int32_t CSensorBase::IsLevelSupported() { return params_.level.supported; }
int32_t CSensorBase::GetLevel(int32_t* value) { return Report(value, params_.level.current, params_.level.supported); }
int32_t CSensorBase::GetLevelMin(int32_t* value) { return Report(value, params_.level.minimum, params_.level.supported); }
int32_t CSensorBase::GetLevelMax(int32_t* value) { return Report(value, params_.level.maximum, params_.level.supported); }
int32_t CSensorBase::GetLevelDefault(int32_t* value) {
    return Report(value, params_.level.defaultValue, params_.level.supported);
}

int32_t CSensorBase::IsAnalogGainStepSupported() { return params_.analogGainStep.supported; }
int32_t CSensorBase::GetAnalogGainStepMin(int32_t* value) {
    return Report(value, params_.analogGainStep.minimum, params_.analogGainStep.supported);
}
int32_t CSensorBase::GetAnalogGainStepMax(int32_t* value) {
    return Report(value, params_.analogGainStep.maximum, params_.analogGainStep.supported);
}
int32_t CSensorBase::GetAnalogGainStepDefault(int32_t* value) {
    return Report(value, params_.analogGainStep.defaultValue, params_.analogGainStep.supported);
}
int32_t CSensorBase::GetAnalogGainStepCurrent(int32_t* value) {
    return Report(value, params_.analogGainStep.current, params_.analogGainStep.supported);
}

int32_t CSensorBase::GetMirrorDefaultV() { return params_.mirrorV.defaultValue; }
int32_t CSensorBase::GetMirrorDefaultH() { return params_.mirrorH.defaultValue; }
int32_t CSensorBase::IsMirrorVSupported() { return params_.mirrorV.supported; }
int32_t CSensorBase::IsMirrorHSupported() { return params_.mirrorH.supported; }

int32_t CSensorBase::CopyInfo(SensorParameters* out) {
    if (out == nullptr) {
        return 0;
    }
    platform::CriticalSectionLock hold(lock_);
    std::memcpy(out, &params_, sizeof(SensorParameters));
    return 1;
}

int32_t CSensorBase::IsExposureSecondsSupported() { return params_.exposureSecondsSupported; }
int32_t CSensorBase::GetExposureSecondsMin(double* value) {
    return Report(value, params_.exposureSecondsMinimum, params_.exposureSecondsSupported);
}
int32_t CSensorBase::GetExposureSecondsMax(double* value) {
    return Report(value, params_.exposureSecondsMaximum, params_.exposureSecondsSupported);
}
int32_t CSensorBase::GetExposureSecondsDefault(double* value) {
    return Report(value, params_.exposureSecondsDefault, params_.exposureSecondsSupported);
}
int32_t CSensorBase::GetExposureSeconds(double* value) {
    return Report(value, params_.exposureSecondsCurrent, params_.exposureSecondsSupported);
}

uint16_t CSensorBase::CachedIdentification() {
    platform::CriticalSectionLock hold(lock_);
    if (!identificationRead_ && controller_ != nullptr) {
        identificationRead_ = controller_->ReadRegisterWord(&identificationWord_) != 0;
    }
    return identificationWord_;
}

int32_t CSensorBase::ResetPulse() {
    if (controller_ == nullptr) {
        return 0;
    }
    const uint8_t reg = UsesAlternateReset(variant_) ? kAlternateResetRegister : kResetRegister;
    controller_->FpgaWrite(reg, 1);
    platform::SleepMs(1);
    controller_->FpgaWrite(reg, 0);
    platform::SleepMs(1);
    return 1;
}

int32_t CSensorBase::SerialReset() {
    if (controller_ == nullptr) {
        return 0;
    }
    uint8_t status = 0;
    if (controller_->FpgaRead(kSerialResetRegister, &status) && (status & kVideoReadyBit) != 0) {
        return 1;
    }
    platform::TimerResolutionScope resolution(1);
    controller_->FpgaWrite(kSerialResetRegister, 1);
    platform::SleepMs(kSerialResetPulseMs);
    controller_->FpgaWrite(kSerialResetRegister, 0);
    platform::SleepMs(kSerialResetPulseMs);
    const uint32_t start = platform::TimeGetTime();
    int32_t ready = 0;
    while (platform::ElapsedMs(start, platform::TimeGetTime()) < kSerialResetWaitMs) {
        if (!controller_->FpgaRead(kSerialResetRegister, &status)) {
            platform::SleepMs(kSerialResetPulseMs);
            continue;
        }
        if ((status & kVideoReadyBit) != 0) {
            ready = 1;
            break;
        }
        platform::SleepMs(1);  // no reason to hammer the bus
    }
    platform::DebugOutput(ready ? "::SerReset:: VD is ready." : "::SerReset:: failure.");
    return ready;
}

int32_t CSensorBase::WindowFromBlock(int32_t* x, int32_t* width, int32_t* y, int32_t* height, int32_t* subsample) {
    if (x == nullptr || width == nullptr || y == nullptr || height == nullptr || subsample == nullptr) {
        return 0;
    }
    platform::CriticalSectionLock hold(lock_);
    *x = params_.x;
    *width = params_.width;
    *y = params_.y;
    *height = params_.height;
    *subsample = params_.subsample;
    return 1;
}

}  // namespace ovilux::camera
