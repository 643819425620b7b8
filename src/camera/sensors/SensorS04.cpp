// SensorS04.cpp - defaults, exposure and the PLL programming of the clock modes.
#include "camera/sensors/SensorS04.h"

namespace ovilux::camera {

namespace {

constexpr ModelDescription kS04 = {3856, 2764, 8, 8, 3840, 2752, 80000, 0, 1, 20000, 1300,
                                   RegisterPathKind::Address16Value16, kMirrors | kFeatureColorGains};

constexpr uint32_t kResetRegister = 0x301A;
constexpr uint32_t kStreaming = 0x10DC;
constexpr uint32_t kReadMode = 0x3040;
// What goes back into the read-mode register after every clock change: the sensor's power-on
// read mode, as nothing in the library changes it.
constexpr uint32_t kPowerOnReadMode = 0;
constexpr uint32_t kPixelClockDivider = 0x0302;
// The sensor's window: first and last row and column it reads out.
constexpr uint16_t kFirstRow = 0x3002;
constexpr uint16_t kFirstColumn = 0x3004;
constexpr uint16_t kLastRow = 0x3006;
constexpr uint16_t kLastColumn = 0x3008;
constexpr int32_t kFx3DirectModeWord = 0x10000;
constexpr uint32_t kSensorWordTimeoutMs = 3000;

// The PLL registers 0x0300 to 0x030A and the pixel clock they give, per clock mode.
struct ClockSetting {
    uint16_t values[6];
    int32_t pixelClockKHz;
};
constexpr ClockSetting kClockSettings[] = {
    {{5, 2, 3, 40, 10, 2}, 32000},
    {{5, 4, 3, 40, 10, 4}, 16000},
    {{3, 1, 3, 40, 6, 1}, 80000},
};

}  // namespace

CSensorS04::CSensorS04(usb::CControllerBase* controller, uint8_t busAddress)
    : CSensorFamilyModel(controller, busAddress, kS04) {}

int32_t CSensorS04::ConvertExposure(int32_t exposure) {
    return ApplyLineTime(exposure, static_cast<double>(params_.lineLength * 10) / params_.pixelClockKHz);
}

int32_t CSensorS04::SetWindow(int32_t x, int32_t width, int32_t y, int32_t height, int32_t subsample) {
    if ((modeWord_ & kFx3DirectModeWord) == 0) {
        return CSensorFamilyModel::SetWindow(x, width, y, height, subsample);
    }
    // The window is checked (and refused) by the shared rules first; what the sensor was not
    // given is not kept.
    platform::CriticalSectionLock hold(lock_);
    const SensorParameters kept = params_;
    if (!CSensorFamilyModel::SetWindow(x, width, y, height, subsample)) {
        return 0;
    }
    const uint16_t registers[4][2] = {
        {kFirstColumn, static_cast<uint16_t>(x)},
        {kFirstRow, static_cast<uint16_t>(y)},
        {kLastColumn, static_cast<uint16_t>(x + width - 1)},
        {kLastRow, static_cast<uint16_t>(y + height - 1)},
    };
    for (const auto& r : registers) {
        if (controller_ == nullptr || !controller_->WriteSensorWord(r[0], r[1], kSensorWordTimeoutMs)) {
            params_ = kept;
            return 0;
        }
    }
    return 1;
}

int32_t CSensorS04::SetClockMode(int32_t mode) {
    if (mode < 0 || mode > 2) {
        return 0;
    }
    const ClockSetting& setting = kClockSettings[mode];
    platform::CriticalSectionLock hold(lock_);
    if (!path_.Write(kResetRegister, 0)) {
        return 0;
    }
    for (uint32_t i = 0; i < 6; ++i) {
        if (!path_.Write(0x0300 + 2 * i, setting.values[i])) {
            return 0;
        }
    }
    if (!path_.Write(kResetRegister, kStreaming)) {
        return 0;
    }
    params_.pixelClockKHz = setting.pixelClockKHz;
    return path_.Write(kReadMode, kPowerOnReadMode);
}

int32_t CSensorS04::GetClockMode(int32_t* mode) {
    int32_t divider = 0;
    if (mode == nullptr || !path_.Read(kPixelClockDivider, &divider)) {
        return 0;
    }
    switch (divider) {
        case 1:
            *mode = 2;
            return 1;
        case 2:
            *mode = 0;
            return 1;
        case 4:
            *mode = 1;
            return 1;
        default:
            return 0;
    }
}

}  // namespace ovilux::camera
