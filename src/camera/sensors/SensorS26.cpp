// SensorS26.cpp - the converter's start-up and the head's settings as text commands.
#include "camera/sensors/SensorS26.h"

#include <algorithm>
#include <cstdio>

#include "platform/Clock.h"

namespace ovilux::camera {

namespace {

constexpr ModelDescription kS26 = {1280, 1024, 0, 0, 1280, 1024, 72000, 2, 1, 10000, 100, RegisterPathKind::Address16Value8,
                                   kFeatureTrigger | kFeaturePixelWidth, 0, 1000000};

// Converter FPGA registers and the values that select the head and the 16-bit transfer.
constexpr uint8_t kSelect = 255;
constexpr uint8_t kSelected = 4;
constexpr uint8_t kTransferWidth = 60;
constexpr uint8_t kTransfer16 = 2;
constexpr int kStartTries = 10;
constexpr uint32_t kStartPauseMs = 10;

// The head's FPGA registers of the trigger.
constexpr uint32_t kHeadTriggerMode = 0x30;
constexpr uint32_t kHeadTriggerApply = 0x3C;

constexpr double kLinesPerExposure = 40.0 * 100 / 70;

}  // namespace

CSensorS26::CSensorS26(usb::CControllerBase* controller, uint8_t busAddress)
    : CSensorFamilyModel(controller, busAddress, kS26), channel_(path_) {}

int32_t CSensorS26::Probe() {
    uint8_t value = 0;
    return controller_ != nullptr && controller_->FpgaRead(kSelect, &value) && value == kSelected ? 1 : 0;
}

int32_t CSensorS26::Initialize() { return SetWindow(0, kHeadWidth, 0, kHeadHeight, 0); }

int32_t CSensorS26::SecondaryInit() {
    if (controller_ == nullptr) {
        return 0;
    }
    // Writes a converter register until it reads back, as the converter takes a moment.
    auto settle = [this](uint8_t reg, uint8_t value) {
        for (int i = 0; i < kStartTries; ++i) {
            uint8_t read = 0;
            controller_->FpgaWrite(reg, value);
            platform::SleepMs(kStartPauseMs);
            if (controller_->FpgaRead(reg, &read) && read == value) {
                return true;
            }
        }
        return false;
    };
    if (!settle(kSelect, kSelected)) {
        return 0;
    }
    channel_.SendCommand("n\r\n");
    settle(kTransferWidth, kTransfer16);
    channel_.SendCommand("x -c\r\n");
    return 1;
}

int32_t CSensorS26::SetWindow(int32_t x, int32_t width, int32_t y, int32_t height, int32_t subsample) {
    if (x < 0 || y < 0 || width <= 0 || height <= 0 || subsample < 0) {
        return 0;  // a frame of no size cannot be transferred
    }
    platform::CriticalSectionLock hold(lock_);
    params_.x = x;
    params_.y = y;
    params_.width = width;
    params_.height = height;
    params_.subsample = subsample;
    params_.lineLength = width;
    params_.frameLines = height;
    return 1;
}

int32_t CSensorS26::SetPixelWidth(int32_t mode) {
    platform::CriticalSectionLock hold(lock_);
    params_.bitsPerSample = mode != 0 ? 16 : 8;
    return SetWindow(params_.x, params_.width, params_.y, params_.height, params_.subsample);
}

int32_t CSensorS26::SetRealExposure(int32_t exposure) {
    if (exposure <= 0) {
        return 0;
    }
    // Held within the head's limits before the conversion: a large value's line count would not
    // fit an int, and the head takes no more than its longest exposure anyway.
    const int32_t taken = ClampExposure(exposure);
    const double lines = std::min(taken * kLinesPerExposure, static_cast<double>(params_.shutterLines.maximum));
    if (!SetShutterLines(static_cast<int32_t>(lines))) {
        return 0;
    }
    StoreExposure(taken);
    return 1;
}

int32_t CSensorS26::SendHeadValue(char command, SettingGroup& group, int32_t value) {
    if (value < 0) {
        return 0;
    }
    const int32_t sent = std::min(value, group.maximum);
    char line[32];
    std::snprintf(line, sizeof(line), "%c -v %d\n", command, static_cast<int>(sent));
    channel_.SendCommand(line);
    platform::CriticalSectionLock hold(lock_);
    group.current = sent;
    return 1;
}

int32_t CSensorS26::SetShutterLines(int32_t lines) { return SendHeadValue('i', params_.shutterLines, lines); }

int32_t CSensorS26::SetGlobalGain(int32_t value) { return SendHeadValue('g', params_.globalGain, value); }

int32_t CSensorS26::SetTriggerMode(int32_t mode) {
    channel_.WriteHeadFpga(kHeadTriggerMode, mode == 1 ? 1 : 0);
    channel_.WriteHeadFpga(kHeadTriggerApply, 0);
    channel_.WriteHeadFpga(kHeadTriggerApply, 1);
    platform::CriticalSectionLock hold(lock_);
    triggerMode_ = mode;
    return 1;
}

int32_t CSensorS26::ReceiveText(char* buffer, int32_t length) { return channel_.ReceiveText(buffer, length); }

int32_t CSensorS26::SendText(const char* text, int32_t length) { return channel_.SendText(text, length); }

}  // namespace ovilux::camera
