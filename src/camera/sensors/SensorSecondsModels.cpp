// SensorSecondsModels.cpp - defaults and exposure rules of the seconds models.
#include "camera/sensors/SensorSecondsModels.h"

#include <algorithm>
#include <cmath>

namespace ovilux::camera {

namespace {

using P = RegisterPathKind;

constexpr uint32_t kSeconds = kFeatureExposureSeconds;
constexpr uint32_t kHead = kMirrors | kFeaturePixelWidth | kFeatureSecondPath | kSeconds;

constexpr ModelDescription kS23 = {2048, 2048, 0, 0, 2048, 2048, 50000, 0, 1, 10000, 100, P::None,
                                   kMirrors | kFeatureTrigger | kFeatureFrameRate | kSeconds | kFeatureSwitch80};
constexpr ModelDescription kS29 = {1280, 1024, 0, 0, 1280, 1024, 54545, 4, 1, 20000, 138, P::Address16Value8,
                                   kHead | kFeatureTrigger | kFeaturePeltier};
constexpr ModelDescription kS30 = {640, 512, 0, 0, 640, 512, 54545, 4, 1, 20000, 70, P::Address16Value8,
                                   kHead | kFeatureTrigger | kFeaturePeltier};
constexpr ModelDescription kS31 = {1936, 1096, 0, 0, 1936, 1096, 48000, 4, 1, 10000, 166, P::Address16Value8,
                                   kHead | kFeatureTrigger};
constexpr ModelDescription kS32 = {1280, 1024, 0, 0, 1280, 1024, 37037, 3, 1, 20000, 401, P::Address16Value8,
                                   kHead | kFeatureTrigger | kFeatureSwitch80 | kFeaturePreset};
constexpr ModelDescription kS35 = {2848, 2848, 0, 0, 2848, 2848, 54545, 4, 1, 20000, 260, P::Address16Value8,
                                   kHead | kFeatureFrameRate | kFeatureLevel | kFeatureSerialReset};
constexpr ModelDescription kS36 = {1440, 1080, 0, 0, 1440, 1080, 54545, 4, 1, 20000, 42, P::Address16Value8,
                                   kHead | kFeatureFrameRate | kFeatureLevel};

constexpr double kMicrosecondsPerExposure = 100;  // the exposure counts 0.1 ms
constexpr double kMicrosecondsPerSecond = 1e6;
constexpr double kExposurePerSecond = 10000.0;
constexpr double kRowOffset = 7372;
constexpr double kFullWindowRowTime = 12959.94133284444;
constexpr double kPartialWindowRowTime = 12961.774681455678;

}  // namespace

int32_t CTimedExposureModel::ConvertExposure(int32_t exposure) {
    StoreExposure(ClampExposure(exposure));
    return 1;
}

CSensorS23::CSensorS23(usb::CControllerBase* controller, uint8_t busAddress)
    : CTimedExposureModel(controller, busAddress, kS23) {}

int32_t CSensorS23::GetAutoIrisLevel() {
    platform::CriticalSectionLock hold(lock_);
    return autoIrisLevel_;
}

int32_t CSensorS23::SetAutoIrisLevel(int32_t level) {
    if (level < 0 || level > kMaxAutoIrisLevel) {
        return 0;
    }
    platform::CriticalSectionLock hold(lock_);
    autoIrisLevel_ = level;
    return 1;
}

CSensorS32::CSensorS32(usb::CControllerBase* controller, uint8_t busAddress)
    : CTimedExposureModel(controller, busAddress, kS32) {}
CSensorS35::CSensorS35(usb::CControllerBase* controller, uint8_t busAddress)
    : CTimedExposureModel(controller, busAddress, kS35) {}
CSensorS36::CSensorS36(usb::CControllerBase* controller, uint8_t busAddress)
    : CTimedExposureModel(controller, busAddress, kS36) {}

CSensorS31::CSensorS31(usb::CControllerBase* controller, uint8_t busAddress)
    : CTimedExposureModel(controller, busAddress, kS31) {}

int32_t CSensorS31::ConvertExposure(int32_t exposure) {
    const double seconds = ClampExposure(exposure) * kMicrosecondsPerExposure / kMicrosecondsPerSecond;
    platform::CriticalSectionLock hold(lock_);
    params_.exposureSecondsCurrent = seconds;
    // Nearest, not truncated: 0.0003 s times 10000 is 2.9999... in binary and would lose a unit.
    params_.exposure.current = static_cast<int32_t>(std::llround(seconds * kExposurePerSecond));
    return 1;
}

CSensorS29::CSensorS29(usb::CControllerBase* controller, uint8_t busAddress) : CSensorS29(controller, busAddress, kS29) {}
CSensorS29::CSensorS29(usb::CControllerBase* controller, uint8_t busAddress, const ModelDescription& description)
    : CSensorFamilyModel(controller, busAddress, description) {}

double CSensorS29::RowTime() const {
    return params_.height == params_.fullHeight ? kFullWindowRowTime : kPartialWindowRowTime;
}

int32_t CSensorS29::ConvertExposure(int32_t exposure) {
    const int32_t e = ClampExposure(exposure);
    const int64_t lines = static_cast<int64_t>((e * 100000.0 - kRowOffset) / RowTime());
    return ApplyShutter(std::max<int64_t>(lines, 1), e);
}

CSensorS30::CSensorS30(usb::CControllerBase* controller, uint8_t busAddress) : CSensorS29(controller, busAddress, kS30) {}

double CSensorS30::RowTime() const { return kPartialWindowRowTime; }

}  // namespace ovilux::camera
