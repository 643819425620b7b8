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
