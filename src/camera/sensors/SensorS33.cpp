// SensorS33.cpp - defaults and the analog gain steps of S33.
#include "camera/sensors/SensorS33.h"

#include <cstring>

namespace ovilux::camera {

namespace {

constexpr ModelDescription kS33 = {4096, 4096, 0, 0, 2048, 2048, 25000, 0, 1, 10000000, 100, RegisterPathKind::None,
                                   kMirrors | kFeatureTrigger | kFeatureFrameRate | kFeatureLevel |
                                       kFeatureExposureSeconds | kFeatureSwitch80};

// FPGA registers: the two the gain bits are read from and the two they are written to.
constexpr uint8_t kGainSourceLow = 89;
constexpr uint8_t kGainSourceHigh = 90;
constexpr uint8_t kGainLow = 217;
constexpr uint8_t kGainHigh = 218;
// The level's register. Its neighbour 0xA3, the high byte on the other level models, is this
// camera's sample-width register, so the level is one byte wide here.
constexpr uint8_t kLevelLow = 0xA2;
constexpr int32_t kLevelMax = 0xFF;

constexpr const char* kLabels[] = {"0.66", "1.85", "2.49", "3.68", "1.29", "3.70", "4.95", "7.25"};
constexpr int32_t kSteps = 8;

}  // namespace

CSensorS33::CSensorS33(usb::CControllerBase* controller, uint8_t busAddress)
    : CTimedExposureModel(controller, busAddress, kS33) {
    params_.analogGainStep = SettingGroup{0, kSteps - 1, 0, 0, 1};
    params_.level.maximum = kLevelMax;
}

int32_t CSensorS33::SetLevel(int32_t value) {
    if (value < params_.level.minimum || value > params_.level.maximum) {
        return 0;
    }
    platform::CriticalSectionLock hold(lock_);
    if (controller_ == nullptr || !controller_->FpgaWrite(kLevelLow, static_cast<uint8_t>(value))) {
        return 0;
    }
    params_.level.current = value;
    return 1;
}

int32_t CSensorS33::SetAnalogGainStep(int32_t step) {
    if (controller_ == nullptr || step < params_.analogGainStep.minimum || step > params_.analogGainStep.maximum) {
        return 0;
    }
    platform::CriticalSectionLock hold(lock_);
    uint8_t low = 0;
    uint8_t high = 0;
    if (!controller_->FpgaRead(kGainSourceLow, &low) || !controller_->FpgaRead(kGainSourceHigh, &high)) {
        return 0;
    }
    const uint8_t newLow = static_cast<uint8_t>(((step << 7) & 0xFF) | (low & 0x7F));
    const uint8_t newHigh = static_cast<uint8_t>(((step << 2) & 0x1F) | ((step >> 1) & 3) | (high & 0xE0));
    if (!controller_->FpgaWrite(kGainLow, newLow) || !controller_->FpgaWrite(kGainHigh, newHigh)) {
        return 0;
    }
    params_.analogGainStep.current = step;
    return 1;
}

int32_t CSensorS33::GetAnalogGainStep(int32_t* step) {
    uint8_t high = 0;
    if (step == nullptr || controller_ == nullptr || !controller_->FpgaRead(kGainSourceHigh, &high)) {
        return 0;
    }
    *step = (high >> 2) & 7;
    return 1;
}

int32_t CSensorS33::GetAnalogGainStepLabel(int32_t step, char* text, int32_t capacity) {
    if (step < 0 || step >= kSteps || text == nullptr) {
        return 0;
    }
    const size_t length = std::strlen(kLabels[step]);
    if (capacity <= 0 || static_cast<size_t>(capacity) <= length) {
        return 0;
    }
    std::memcpy(text, kLabels[step], length + 1);
    return kLabelNumber;
}

}  // namespace ovilux::camera
