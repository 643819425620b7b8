// SensorS11.cpp - defaults and the frame-period split of the exposure.
#include "camera/sensors/SensorS11.h"

namespace ovilux::camera {

namespace {

constexpr ModelDescription kS11 = {5520, 3680, 0, 0, 5520, 3680, 72000, 0, 1, 666, 333, RegisterPathKind::Address16Value8,
                                   kMirrors | kFeatureTrigger | kFeatureFrameRate | kFeatureReadyWait};
constexpr double kClocksPerUnit = 7200.0;

}  // namespace

CSensorS11::CSensorS11(usb::CControllerBase* controller, uint8_t busAddress)
    : CSensorFamilyModel(controller, busAddress, kS11) {}

int32_t CSensorS11::ConvertExposure(int32_t exposure) {
    if (exposure <= 0) {
        return 0;
    }
    const int32_t period = (modeWord_ & 1) != 0 ? kLongFramePeriod : kShortFramePeriod;
    const int32_t frames = exposure / period;
    const int32_t remainder = exposure - frames * period;
    const double lineTime = params_.lineLength / kClocksPerUnit;
    if (frames > 0xFF || !path_.Write(kFrameCountRegister, static_cast<uint32_t>(frames))) {
        return 0;
    }
    return ApplyShutter(static_cast<int64_t>(remainder / lineTime), exposure);
}

}  // namespace ovilux::camera
