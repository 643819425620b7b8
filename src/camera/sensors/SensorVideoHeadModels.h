// SensorVideoHeadModels.h - S20, S24 and S34: camera heads behind a video link that must report
// its video ready (the serial reset) before they are programmed, each with its own shutter rule.
#pragma once

#include "camera/sensors/FamilyModel.h"

namespace ovilux::camera {

// 2048 x 1536; the line time depends on the head's variant character and revision.
class CSensorS20 : public CSensorFamilyModel {
public:
    CSensorS20(usb::CControllerBase* controller, uint8_t busAddress);
    int32_t Initialize() override;
    int32_t ConvertExposure(int32_t exposure) override;

    static constexpr int32_t kVariantFast = '8';
    static constexpr int32_t kVariantSlow = ':';
};

// 4168 x 3062 with a 2 x 2 subsample mode that changes its shutter rule.
class CSensorS24 : public CSensorFamilyModel {
public:
    CSensorS24(usb::CControllerBase* controller, uint8_t busAddress);
    int32_t ConvertExposure(int32_t exposure) override;
};

// 2848 x 2848; a row lasts its line period at the pixel clock.
class CSensorS34 : public CSensorFamilyModel {
public:
    CSensorS34(usb::CControllerBase* controller, uint8_t busAddress);
    int32_t ConvertExposure(int32_t exposure) override;
};

}  // namespace ovilux::camera
