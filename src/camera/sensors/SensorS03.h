// SensorS03.h - the sensor model of the M03 camera: a 2592 x 1944, 12-bit Bayer CMOS sensor
// with 8-bit register addresses and 16-bit values on the two-wire bus.
#pragma once

#include "camera/sensors/SensorWithLimits.h"

namespace ovilux::camera {

class CSensorS03 : public CSensorWithLimits {
public:
    CSensorS03(usb::CControllerBase* controller, uint8_t busAddress);

    int32_t Probe() override;
    int32_t Initialize() override;
    int32_t SetWindow(int32_t x, int32_t width, int32_t y, int32_t height, int32_t subsample) override;
    int32_t GetWindow(int32_t* x, int32_t* width, int32_t* y, int32_t* height, int32_t* subsample) override;
    int32_t SetTriggerMode(int32_t mode) override;
    int32_t GetTriggerMode(int32_t* mode) override;
    int32_t SetShutterLines(int32_t lines) override;
    int32_t GetShutterLines(int32_t* lines) override;
    int32_t SetGlobalGain(int32_t value) override;
    int32_t GetGlobalGain(int32_t* value) override;
    int32_t SetColorGainRed(int32_t value) override;
    int32_t GetColorGainRed(int32_t* value) override;
    int32_t SetColorGainGreen1(int32_t value) override;
    int32_t GetColorGainGreen1(int32_t* value) override;
    int32_t SetColorGainGreen2(int32_t value) override;
    int32_t GetColorGainGreen2(int32_t* value) override;
    int32_t SetColorGainBlue(int32_t value) override;
    int32_t GetColorGainBlue(int32_t* value) override;
    int32_t SetRealExposure(int32_t exposure) override;
    int32_t GetRealExposure(int32_t* value) override;
    int32_t GetRealExposureMin(int32_t* value) override;
    // The longest exposure the current window takes: the model's 2 s, or less at wide windows.
    int32_t GetRealExposureMax(int32_t* value) override;
    int32_t GetRealExposureDefault(int32_t* value) override;
    int32_t SetMirrorV(int32_t on) override;
    int32_t GetMirrorV() override;
    int32_t SetMirrorH(int32_t on) override;
    int32_t GetMirrorH() override;
    int32_t WriteRegister(uint32_t address, uint32_t value) override;
    int32_t ReadRegister(uint32_t address, int32_t* value) override;
    int32_t GetClockMode(int32_t* mode) override;

private:
    int32_t SetColorGain(SettingGroup& group, uint8_t reg, int32_t value);
    // Reads a register, sets or clears bits and writes it back.
    int32_t UpdateRegisterBits(uint8_t reg, uint16_t bits, bool set);
    // How long one row of the current window takes, in exposure units.
    double LineTime() const;

    int32_t triggerMode_ = 0;
};

}  // namespace ovilux::camera
