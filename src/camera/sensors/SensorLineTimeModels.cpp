// SensorLineTimeModels.cpp - defaults and line times of the line-time models.
#include "camera/sensors/SensorLineTimeModels.h"

#include <algorithm>

namespace ovilux::camera {

namespace {

using P = RegisterPathKind;

constexpr uint32_t kTriggerAndRate = kFeatureTrigger | kFeatureFrameRate;
constexpr uint32_t kVideoHead = kMirrors | kFeaturePixelWidth | kFeatureSecondPath;

constexpr ModelDescription kS01 = {4608, 3288, 0, 0, 4608, 3288, 96000, 0, 1, 20000, 1754,
                                   P::Address16Value16, kMirrors | kFeatureColorGains};
constexpr ModelDescription kS05 = {3072, 2048, 0, 0, 3072, 2048, 364000, 0, 1, 30000, 200,
                                   P::Address16Value8, kMirrors | kTriggerAndRate};
constexpr ModelDescription kS06 = {1920, 1200, 0, 0, 1920, 1200, 74250, 0, 1, 30000, 200,
                                   P::Address16Value8, kMirrors | kTriggerAndRate | kFeaturePixelWidth};
constexpr ModelDescription kS13 = {1280, 1024, 0, 0, 1280, 1024, 37125, 0, 1, 30000, 200,
                                   P::Address16Value16, kMirrors | kTriggerAndRate | kFeaturePixelWidth};
constexpr ModelDescription kS21 = {2448, 2048, 0, 0, 2448, 2048, 54000, 4, 1, 7000, 200,
                                   P::Address16Value8, kVideoHead | kTriggerAndRate | kFeatureSerialReset};
constexpr ModelDescription kS22 = {2448, 2048, 0, 0, 2448, 2048, 74250, 4, 1, 7000, 200,
                                   P::Address16Value8, kVideoHead | kTriggerAndRate | kFeatureSerialReset};
constexpr ModelDescription kS25 = {640, 512, 0, 0, 640, 512, 9000, 4, 1, 1230273, 37,
                                   P::Address16Value8, kVideoHead | kTriggerAndRate | kFeatureSwitch82 | kFeaturePeltier};

constexpr double kS21LineTimeFactor = 0.013289036544850499;
constexpr double kS22LineTime = 0.13235880398671096;

// The M03's line time in 0.1 ms: pixel clocks per row over the pixel clock in kHz.
double ClockLineTime(const SensorParameters& p) {
    return static_cast<double>(p.lineLength * 10) / p.pixelClockKHz;
}

}  // namespace

CSensorS01::CSensorS01(usb::CControllerBase* controller, uint8_t busAddress)
    : CSensorFamilyModel(controller, busAddress, kS01) {}
int32_t CSensorS01::ConvertExposure(int32_t exposure) { return ApplyLineTime(exposure, ClockLineTime(params_)); }

CSensorS05::CSensorS05(usb::CControllerBase* controller, uint8_t busAddress)
    : CSensorFamilyModel(controller, busAddress, kS05) {}
int32_t CSensorS05::ConvertExposure(int32_t exposure) { return ApplyLineTime(exposure, ClockLineTime(params_)); }

CSensorS06::CSensorS06(usb::CControllerBase* controller, uint8_t busAddress)
    : CSensorFamilyModel(controller, busAddress, kS06) {}
int32_t CSensorS06::ConvertExposure(int32_t exposure) {
    return ApplyLineTime(exposure, (params_.lineLength / 8) * 10.0 / params_.pixelClockKHz);
}

CSensorS13::CSensorS13(usb::CControllerBase* controller, uint8_t busAddress)
    : CSensorFamilyModel(controller, busAddress, kS13) {}
int32_t CSensorS13::ConvertExposure(int32_t exposure) { return ApplyLineTime(exposure, ClockLineTime(params_)); }

CSensorS21::CSensorS21(usb::CControllerBase* controller, uint8_t busAddress)
    : CSensorFamilyModel(controller, busAddress, kS21) {}
int32_t CSensorS21::ConvertExposure(int32_t exposure) {
    return ApplyLineTime(exposure, params_.lineLength * kS21LineTimeFactor / 100);
}

CSensorS22::CSensorS22(usb::CControllerBase* controller, uint8_t busAddress)
    : CSensorFamilyModel(controller, busAddress, kS22) {}
int32_t CSensorS22::ConvertExposure(int32_t exposure) { return ApplyLineTime(exposure, kS22LineTime); }

CSensorS25::CSensorS25(usb::CControllerBase* controller, uint8_t busAddress)
    : CSensorFamilyModel(controller, busAddress, kS25) {}
int32_t CSensorS25::ConvertExposure(int32_t exposure) {
    const double lineTime = (params_.lineLength * 0.0625 + 26) * 10 / params_.pixelClockKHz;
    const int64_t lines = static_cast<int64_t>(exposure / lineTime);
    if (lines <= 0) {
        return 0;
    }
    const int32_t limit = static_cast<int32_t>(
        std::clamp<int64_t>(lines, params_.shutterLines.minimum, params_.shutterLines.maximum));
    if (limit != lines) {
        return ApplyShutter(limit, std::max(static_cast<int32_t>(limit * lineTime), 1));
    }
    return ApplyShutter(lines, exposure);
}

}  // namespace ovilux::camera
