// SensorLineUnitModels.cpp - defaults of the models whose exposure is in shutter lines.
#include "camera/sensors/SensorLineUnitModels.h"

namespace ovilux::camera {

namespace {

using P = RegisterPathKind;

constexpr uint32_t kLineScan = kMirrors | kFeaturePixelWidth | kFeatureFrameRate;

constexpr ModelDescription kS07 = {1600, 1200, 0, 0, 1600, 1200, 60000, 0, 1, 1252, 1, P::Fpga,
                                   kMirrors | kFeatureTrigger | kFeatureFrameRate | kFeatureNoInitialize, 1, 1252};
constexpr ModelDescription kS12 = {4800, 3520, 72, 18, 4672, 3504, 36000, 0, 0, 4095, 1, P::Address16Value8,
                                   kFeatureMirrorH | kFeatureTrigger | kFeatureFrameRate | kFeatureReadyWait, 0, 4095};
constexpr ModelDescription kS17 = {256, kLineScanHeight, 0, 0, 256, 256, 5000, 0, 89, 5039, 3000, P::Fpga, kLineScan,
                                   89, 5039};
constexpr ModelDescription kS18 = {512, kLineScanHeight, 0, 0, 512, 512, 5000, 0, 89, 5039, 3000, P::Fpga,
                                   kLineScan | kFeatureTrigger, 89, 5039};
constexpr ModelDescription kS19 = {1024, kLineScanHeight, 0, 0, 1024, 1024, 5000, 0, 136, 5039, 1500, P::Fpga,
                                   kLineScan, 136, 5039};
constexpr ModelDescription kS27 = {2048, kLineScanHeight, 0, 0, 2048, 2048, 5000, 0, 89, 5039, 1500, P::Fpga,
                                   kLineScan, 89, 5039};

}  // namespace

int32_t CLineUnitModel::ConvertExposure(int32_t exposure) {
    const int32_t lines = ClampExposure(exposure);
    return ApplyShutter(lines, lines);
}

CSensorS07::CSensorS07(usb::CControllerBase* controller, uint8_t busAddress) : CLineUnitModel(controller, busAddress, kS07) {}
CSensorS12::CSensorS12(usb::CControllerBase* controller, uint8_t busAddress) : CLineUnitModel(controller, busAddress, kS12) {}
CSensorS17::CSensorS17(usb::CControllerBase* controller, uint8_t busAddress) : CLineUnitModel(controller, busAddress, kS17) {}
CSensorS18::CSensorS18(usb::CControllerBase* controller, uint8_t busAddress) : CLineUnitModel(controller, busAddress, kS18) {}
CSensorS19::CSensorS19(usb::CControllerBase* controller, uint8_t busAddress) : CLineUnitModel(controller, busAddress, kS19) {}
CSensorS27::CSensorS27(usb::CControllerBase* controller, uint8_t busAddress) : CLineUnitModel(controller, busAddress, kS27) {}

}  // namespace ovilux::camera
