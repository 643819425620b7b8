// SensorFrameEndModels.h - the four-tap CCD models S08, S09 and S10 (FPGA registers only),
// whose shutter is counted back from the end of the frame, with gains and offsets per tap.
#pragma once

#include "camera/sensors/FamilyModel.h"

namespace ovilux::camera {

class CFrameEndModel : public CSensorFamilyModel {
public:
    // clocksPerLine over the pixel clock is the line time; frameLines is where counting starts.
    CFrameEndModel(usb::CControllerBase* controller, uint8_t busAddress, const ModelDescription& description,
                   int32_t clocksPerLine, int32_t frameLines);
    int32_t ConvertExposure(int32_t exposure) override;

private:
    const int32_t clocksPerLine_;
    const int32_t frameLines_;
};

class CSensorS08 : public CFrameEndModel {
public:
    CSensorS08(usb::CControllerBase* controller, uint8_t busAddress);
};

class CSensorS09 : public CFrameEndModel {
public:
    CSensorS09(usb::CControllerBase* controller, uint8_t busAddress);
};

class CSensorS10 : public CFrameEndModel {
public:
    CSensorS10(usb::CControllerBase* controller, uint8_t busAddress);
};

}  // namespace ovilux::camera
