// SensorFpgaShutterModels.cpp - defaults and exposure rules of S14, S16 and S28.
#include "camera/sensors/SensorFpgaShutterModels.h"

namespace ovilux::camera {

namespace {

using P = RegisterPathKind;

constexpr uint32_t kSmall = kMirrors | kFeaturePixelWidth | kFeatureFrameRate;

constexpr ModelDescription kS14 = {640, 512, 0, 0, 640, 512, 6250, 0, 1, 10000, 100, P::Fpga,
                                   kSmall | kFeatureExposureSeconds};
constexpr ModelDescription kS16 = {320, 256, 0, 0, 320, 256, 6250, 0, 1, 10000, 100, P::Fpga, kSmall};
constexpr ModelDescription kS28 = {320, 256, 0, 0, 320, 256, 6250, 2, 500, 1000000, 500, P::Fpga,
                                   kSmall | kFeaturePeltier, 0};

}  // namespace

CSensorS14::CSensorS14(usb::CControllerBase* controller, uint8_t busAddress)
    : CSensorFamilyModel(controller, busAddress, kS14) {}

int32_t CSensorS14::ConvertExposure(int32_t exposure) {
    const int32_t e = ClampExposure(exposure);
    return ApplyShutter(static_cast<int64_t>(e * 100.0 / 1000 * params_.pixelClockKHz - 6.25), e);
}

CSensorS16::CSensorS16(usb::CControllerBase* controller, uint8_t busAddress)
    : CSensorFamilyModel(controller, busAddress, kS16) {}

int32_t CSensorS16::ConvertExposure(int32_t exposure) {
    if (exposure <= 0) {
        return 0;
    }
    return ApplyShutter(static_cast<int64_t>(exposure / 10.0 * params_.pixelClockKHz), exposure);
}

CSensorS28::CSensorS28(usb::CControllerBase* controller, uint8_t busAddress)
    : CSensorFamilyModel(controller, busAddress, kS28) {}

int32_t CSensorS28::ConvertExposure(int32_t exposure) {
    const int32_t e = ClampExposure(exposure);
    return ApplyShutter((e / 20 - 25) >> 2, e);
}

}  // namespace ovilux::camera
