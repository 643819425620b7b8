// SensorS04.h - the 3856 x 2764 model of products 0x3040 and 0x3042, the one model whose
// pixel clock can be switched between three clock modes.
#pragma once

#include "camera/sensors/FamilyModel.h"

namespace ovilux::camera {

class CSensorS04 : public CSensorFamilyModel {
public:
    CSensorS04(usb::CControllerBase* controller, uint8_t busAddress);
    int32_t ConvertExposure(int32_t exposure) override;
    // 0 normal (32 MHz), 1 half (16 MHz), 2 high (80 MHz): reprograms the sensor's PLL.
    int32_t SetClockMode(int32_t mode) override;
    // Asks the sensor which divider it runs with; fails for a value of no clock mode.
    int32_t GetClockMode(int32_t* mode) override;
};

}  // namespace ovilux::camera
