// SensorS15.h - the video converter of product 0x3130: a fixed 1920 x 1080 picture with no
// exposure or gain of its own. It keeps the base's answers, so the device cannot probe it and
// opening it fails.
#pragma once

#include "camera/sensors/SensorBase.h"

namespace ovilux::camera {

class CSensorS15 : public CSensorBase {
public:
    CSensorS15(usb::CControllerBase* controller, uint8_t busAddress);
    // Both are accepted without register traffic: the converter follows its video input.
    int32_t SetPixelWidth(int32_t mode) override;
    int32_t SetFrameRate(int32_t flag, int32_t* rate) override;
};

}  // namespace ovilux::camera
