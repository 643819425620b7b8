// SensorFrameEndModels.cpp - defaults and the counted-back shutter of the four-tap models.
#include "camera/sensors/SensorFrameEndModels.h"

namespace ovilux::camera {

namespace {

constexpr uint32_t kFourTap = kMirrors | kFeatureTrigger | kFeatureFrameRate | kFeatureChannelGains | kFeatureLevel;

constexpr ModelDescription kS08 = {2336, 1752, 0, 0, 2336, 1752, 60000, 4, 1, 8191, 774, RegisterPathKind::Fpga,
                                   kFourTap, 1, 902};
constexpr ModelDescription kS09 = {4896, 3264, 0, 0, 4896, 3264, 40000, 0, 1, 8191, 774, RegisterPathKind::Fpga,
                                   kFourTap, 1, 1712};
constexpr ModelDescription kS10 = {6576, 4384, 0, 0, 6576, 4384, 40000, 0, 1, 2233, 2233, RegisterPathKind::Fpga,
                                   kFourTap, 1, 2228};

}  // namespace

CFrameEndModel::CFrameEndModel(usb::CControllerBase* controller, uint8_t busAddress,
                               const ModelDescription& description, int32_t clocksPerLine, int32_t frameLines)
    : CSensorFamilyModel(controller, busAddress, description), clocksPerLine_(clocksPerLine), frameLines_(frameLines) {}

int32_t CFrameEndModel::ConvertExposure(int32_t exposure) {
    if (exposure <= 0) {
        return 0;
    }
    // The shutter opens this many lines after the frame starts, so a longer exposure is a
    // smaller value; SetShutterLines keeps it within the limits.
    const double lineTime = static_cast<double>(clocksPerLine_) / params_.pixelClockKHz;
    return ApplyShutter(static_cast<int64_t>(frameLines_ - exposure / lineTime), exposure);
}

CSensorS08::CSensorS08(usb::CControllerBase* controller, uint8_t busAddress)
    : CFrameEndModel(controller, busAddress, kS08, 15470, 902) {}
CSensorS09::CSensorS09(usb::CControllerBase* controller, uint8_t busAddress)
    : CFrameEndModel(controller, busAddress, kS09, 27260, 1712) {}
CSensorS10::CSensorS10(usb::CControllerBase* controller, uint8_t busAddress)
    : CFrameEndModel(controller, busAddress, kS10, 40110, 2228) {}

}  // namespace ovilux::camera
