// SensorS33.h - the 4096 x 4096 model of product 0x32D0: eight analog gain steps with labels,
// programmed through its FPGA registers, and exposure in seconds.
#pragma once

#include "camera/sensors/SensorSecondsModels.h"

namespace ovilux::camera {

class CSensorS33 : public CTimedExposureModel {
public:
    CSensorS33(usb::CControllerBase* controller, uint8_t busAddress);
    // Its FPGA register 0xA3 carries the pixel width, so the level is 0 to 255, in 0xA2 alone.
    int32_t SetLevel(int32_t value) override;
    int32_t SetAnalogGainStep(int32_t step) override;
    int32_t GetAnalogGainStep(int32_t* step) override;
    // Copies the step's gain label ("0.66" to "7.25") with its NUL; the result is the label's
    // number 120, 0 for an unknown step or a text buffer too small.
    int32_t GetAnalogGainStepLabel(int32_t step, char* text, int32_t capacity) override;

    static constexpr int32_t kLabelNumber = 120;
};

}  // namespace ovilux::camera
