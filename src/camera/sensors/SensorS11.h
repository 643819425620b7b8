// SensorS11.h - the 5520 x 3680 model of product 0x3110: its exposure is whole frame periods
// plus a remainder in shutter lines, and the sensor needs time after every register write.
#pragma once

#include "camera/sensors/FamilyModel.h"

namespace ovilux::camera {

class CSensorS11 : public CSensorFamilyModel {
public:
    CSensorS11(usb::CControllerBase* controller, uint8_t busAddress);
    int32_t ConvertExposure(int32_t exposure) override;

    // Bit 0 of the mode word selects the long frame period.
    static constexpr int32_t kShortFramePeriod = 334;
    static constexpr int32_t kLongFramePeriod = 667;
    static constexpr uint32_t kFrameCountRegister = 13;
};

}  // namespace ovilux::camera
