// SensorS04.h - the 3856 x 2764 model of products 0x3040 and 0x3042, the one model whose
// pixel clock can be switched between three clock modes. On 0x3042 (FX3-direct: mode word
// 0x10000) there is no FPGA to frame the picture: the window goes to the sensor's own window
// registers through the firmware's sensor-word requests, and the firmware sends what it reads out.
#pragma once

#include "camera/sensors/FamilyModel.h"

namespace ovilux::camera {

class CSensorS04 : public CSensorFamilyModel {
public:
    CSensorS04(usb::CControllerBase* controller, uint8_t busAddress);
    int32_t ConvertExposure(int32_t exposure) override;
    int32_t SetWindow(int32_t x, int32_t width, int32_t y, int32_t height, int32_t subsample) override;
    // 0 normal (32 MHz), 1 half (16 MHz), 2 high (80 MHz): reprograms the sensor's PLL.
    int32_t SetClockMode(int32_t mode) override;
    // Asks the sensor which divider it runs with; fails for a value of no clock mode.
    int32_t GetClockMode(int32_t* mode) override;
};

}  // namespace ovilux::camera
