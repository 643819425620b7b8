// SensorFpgaShutterModels.h - the small-array models S14, S16 and S28, whose shutter value goes
// to FPGA registers and is computed from the pixel clock.
#pragma once

#include "camera/sensors/FamilyModel.h"

namespace ovilux::camera {

// 640 x 512; exposure also in seconds.
class CSensorS14 : public CSensorFamilyModel {
public:
    CSensorS14(usb::CControllerBase* controller, uint8_t busAddress);
    int32_t ConvertExposure(int32_t exposure) override;
};

// 320 x 256.
class CSensorS16 : public CSensorFamilyModel {
public:
    CSensorS16(usb::CControllerBase* controller, uint8_t busAddress);
    int32_t ConvertExposure(int32_t exposure) override;
};

// 320 x 256 with an exposure of up to 1000000 units in 20-unit steps of four.
class CSensorS28 : public CSensorFamilyModel {
public:
    CSensorS28(usb::CControllerBase* controller, uint8_t busAddress);
    int32_t ConvertExposure(int32_t exposure) override;
};

}  // namespace ovilux::camera
