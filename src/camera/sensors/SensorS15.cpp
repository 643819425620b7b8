// SensorS15.cpp - the video converter's parameter block.
#include "camera/sensors/SensorS15.h"

namespace ovilux::camera {

namespace {
constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;
constexpr int32_t kPixelClockKHz = 74250;
constexpr int32_t kBitsPerSample = 8;
}  // namespace

CSensorS15::CSensorS15(usb::CControllerBase* controller, uint8_t busAddress) : CSensorBase(controller, busAddress) {
    params_.fullWidth = kWidth;
    params_.fullHeight = kHeight;
    params_.defaultWidth = kWidth;
    params_.defaultHeight = kHeight;
    params_.width = kWidth;
    params_.height = kHeight;
    params_.lineLength = kWidth;
    params_.frameLines = kHeight;
    params_.bitsPerSample = kBitsPerSample;
    params_.pixelClockKHz = kPixelClockKHz;
}

int32_t CSensorS15::SetPixelWidth(int32_t mode) { return mode >= 0 && mode <= 2 ? 1 : 0; }

int32_t CSensorS15::SetFrameRate(int32_t flag, int32_t* rate) { return flag == 0 && rate != nullptr ? 1 : 0; }

}  // namespace ovilux::camera
