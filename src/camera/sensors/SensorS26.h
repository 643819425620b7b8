// SensorS26.h - the converter of product 0x3180 with a separate camera head: the head's
// shutter, gain and trigger are text commands over the converter's serial line.
#pragma once

#include "camera/sensors/FamilyModel.h"
#include "camera/sensors/TextChannel.h"

namespace ovilux::camera {

class CSensorS26 : public CSensorFamilyModel {
public:
    CSensorS26(usb::CControllerBase* controller, uint8_t busAddress);

    // The converter is there when its FPGA register 255 reads 4.
    int32_t Probe() override;
    int32_t Initialize() override;
    // Brings the converter up when the probe failed: selects it, asks the head who it is,
    // switches the transfer to 16 bits and sends the head's start command.
    int32_t SecondaryInit() override;
    // Any window with a positive size is kept; the head sends its own picture size.
    int32_t SetWindow(int32_t x, int32_t width, int32_t y, int32_t height, int32_t subsample) override;
    int32_t SetPixelWidth(int32_t mode) override;
    int32_t SetRealExposure(int32_t exposure) override;
    int32_t SetShutterLines(int32_t lines) override;
    int32_t SetGlobalGain(int32_t value) override;
    int32_t SetTriggerMode(int32_t mode) override;
    int32_t ReceiveText(char* buffer, int32_t length) override;
    int32_t SendText(const char* text, int32_t length) override;

    static constexpr int32_t kHeadWidth = 2048;
    static constexpr int32_t kHeadHeight = 1024;

private:
    // The head takes "<command> -v <value>": the value, capped at the group's maximum, is kept.
    int32_t SendHeadValue(char command, SettingGroup& group, int32_t value);
    CTextChannel channel_;
};

}  // namespace ovilux::camera
