// FamilyModel.cpp - the behaviour the family's sensor models share.
#include "camera/sensors/FamilyModel.h"

#include <algorithm>
#include <cmath>

namespace ovilux::camera {

namespace {

constexpr int32_t kGainMin = 0;
constexpr int32_t kGainMax = 255;
constexpr int32_t kGainDefault = 16;
constexpr int32_t kColorGainMax = 63;
constexpr int32_t kChannelValueMax = 0xFFFF;
constexpr int32_t kChannelGainDefault = 4096;
constexpr int32_t kLevelMax = 0xFFFF;
constexpr int32_t kBitsPerSample = 12;
constexpr double kExposureUnitsPerSecond = 10000.0;  // the exposure counts 0.1 ms

// FPGA registers of the shared features.
constexpr uint8_t kLevelLow = 0xA2;
constexpr uint8_t kLevelHigh = 0xA3;
constexpr uint8_t kSwitch80 = 0x80;
constexpr uint8_t kSwitch82 = 0x82;
constexpr uint8_t kCooler = 0x83;

// Sensor registers 90 to 92 hold the preset: these values when on, 255 in each when off.
constexpr uint32_t kPresetFirstRegister = 90;
constexpr uint8_t kPresetOn[3] = {100, 32, 31};
constexpr uint8_t kPresetOff = 255;

SettingGroup Group(int32_t minimum, int32_t maximum, int32_t value) { return {minimum, maximum, value, value, 1}; }

bool ValidChannel(int32_t channel) { return channel >= 1 && channel <= 4; }

}  // namespace

CSensorFamilyModel::CSensorFamilyModel(usb::CControllerBase* controller, uint8_t busAddress,
                                       const ModelDescription& description)
    : CSensorWithLimits(controller, busAddress),
      description_(description),
      path_(controller, busAddress, description.path, lock_, (description.features & kFeatureReadyWait) != 0),
      fpgaPath_(controller, busAddress,
                (description.features & kFeatureSecondPath) != 0 ? RegisterPathKind::Fpga : RegisterPathKind::None,
                lock_) {
    const ModelDescription& d = description_;
    params_.fullWidth = d.fullWidth;
    params_.fullHeight = d.fullHeight;
    // A default window must lie on the sensor, or the model's own initialisation refuses it and
    // the camera never opens: 0x3120's window of 4672 x 3504 rows at row 18 would end two rows
    // below its 3520-row array, so it keeps its size and starts where it still fits.
    params_.defaultX = std::min(d.defaultX, d.fullWidth - d.defaultWidth);
    params_.defaultY = std::min(d.defaultY, d.fullHeight - d.defaultHeight);
    params_.defaultWidth = d.defaultWidth;
    params_.defaultHeight = d.defaultHeight;
    params_.widthFree = 1;
    params_.heightFree = 1;
    params_.x = params_.defaultX;
    params_.y = params_.defaultY;
    params_.width = d.defaultWidth;
    params_.height = d.defaultHeight;
    params_.lineLength = d.defaultWidth;
    params_.frameLines = d.defaultHeight;
    params_.globalGain = Group(kGainMin, kGainMax, kGainDefault);
    params_.shutterLines = Group(d.shutterMin, d.shutterMax, d.shutterMin);
    if (Has(kFeatureColorGains)) {
        params_.redGain = params_.green1Gain = params_.green2Gain = params_.blueGain =
            Group(kGainMin, kColorGainMax, kGainDefault);
    }
    params_.exposure = Group(d.exposureMin, d.exposureMax, d.exposureDefault);
    if (Has(kFeatureLevel)) {
        params_.level = Group(0, kLevelMax, 0);
    }
    if (Has(kFeatureExposureSeconds)) {
        params_.exposureSecondsMinimum = d.exposureMin / kExposureUnitsPerSecond;
        params_.exposureSecondsMaximum = d.exposureMax / kExposureUnitsPerSecond;
        params_.exposureSecondsCurrent = d.exposureDefault / kExposureUnitsPerSecond;
        params_.exposureSecondsDefault = d.exposureDefault / kExposureUnitsPerSecond;
        params_.exposureSecondsSupported = 1;
    }
    // The flags are kept but no mirror register is written, so the camera says it cannot
    // mirror and the session mirrors the picture itself.
    params_.mirrorV.supported = 0;
    params_.mirrorH.supported = 0;
    params_.bitsPerSample = kBitsPerSample;
    params_.pixelClockKHz = d.pixelClockKHz;
    params_.orientation = d.orientation;
}

int32_t CSensorFamilyModel::Probe() {
    if (description_.path == RegisterPathKind::None) {
        return 1;  // nothing of its own to ask; the device's FPGA traffic tells whether it is there
    }
    int32_t value = 0;
    return path_.Read(0, &value);
}

int32_t CSensorFamilyModel::Initialize() {
    if (Has(kFeatureNoInitialize)) {
        return 0;
    }
    if (Has(kFeatureSerialReset) && !SerialReset()) {
        return 0;  // without the head's video there is nothing to program
    }
    return SetWindow(params_.defaultX, params_.defaultWidth, params_.defaultY, params_.defaultHeight, 0);
}

int32_t CSensorFamilyModel::SetWindow(int32_t x, int32_t width, int32_t y, int32_t height, int32_t subsample) {
    if (x < 0 || y < 0 || width <= 0 || height <= 0 || subsample < 0 || subsample > description_.maxSubsample ||
        static_cast<int64_t>(x) + width > params_.fullWidth || static_cast<int64_t>(y) + height > params_.fullHeight) {
        return 0;
    }
    const int32_t divisor = SubsampleDivisor(subsample);
    if (width / divisor == 0 || height / divisor == 0) {
        return 0;
    }
    platform::CriticalSectionLock hold(lock_);
    params_.x = x;
    params_.y = y;
    params_.width = width / divisor;
    params_.height = height / divisor;
    params_.subsample = subsample;
    // No blanking is known for these sensors: a row lasts its output pixels.
    params_.lineLength = params_.width;
    params_.frameLines = params_.height;
    return 1;
}

int32_t CSensorFamilyModel::GetWindow(int32_t* x, int32_t* width, int32_t* y, int32_t* height, int32_t* subsample) {
    return WindowFromBlock(x, width, y, height, subsample);
}

int32_t CSensorFamilyModel::SetTriggerMode(int32_t mode) {
    if (!Has(kFeatureTrigger)) {
        return 0;
    }
    platform::CriticalSectionLock hold(lock_);
    triggerMode_ = mode;
    return 1;
}

int32_t CSensorFamilyModel::GetTriggerMode(int32_t* mode) {
    platform::CriticalSectionLock hold(lock_);
    return Has(kFeatureTrigger) ? Out(mode, triggerMode_) : 0;
}

int32_t CSensorFamilyModel::SetPixelWidth(int32_t mode) {
    return Has(kFeaturePixelWidth) && (mode == 0 || mode == 1) ? 1 : 0;
}

int32_t CSensorFamilyModel::SetShutterLines(int32_t lines) {
    platform::CriticalSectionLock hold(lock_);
    params_.shutterLines.current = std::clamp(lines, params_.shutterLines.minimum, params_.shutterLines.maximum);
    return 1;
}

int32_t CSensorFamilyModel::GetShutterLines(int32_t* lines) { return GetStored(params_.shutterLines.current, lines); }

int32_t CSensorFamilyModel::SetGain(SettingGroup& group, int32_t value) {
    if (group.supported == 0 || value < group.minimum || value > group.maximum) {
        return 0;
    }
    platform::CriticalSectionLock hold(lock_);
    group.current = value;
    return 1;
}

int32_t CSensorFamilyModel::GetStored(const int32_t& field, int32_t* out) {
    platform::CriticalSectionLock hold(lock_);
    return Out(out, field);
}

int32_t CSensorFamilyModel::SetGlobalGain(int32_t value) { return SetGain(params_.globalGain, value); }
int32_t CSensorFamilyModel::GetGlobalGain(int32_t* value) { return GetStored(params_.globalGain.current, value); }

int32_t CSensorFamilyModel::SetColorGainRed(int32_t value) { return SetGain(params_.redGain, value); }
int32_t CSensorFamilyModel::SetColorGainGreen1(int32_t value) { return SetGain(params_.green1Gain, value); }
int32_t CSensorFamilyModel::SetColorGainGreen2(int32_t value) { return SetGain(params_.green2Gain, value); }
int32_t CSensorFamilyModel::SetColorGainBlue(int32_t value) { return SetGain(params_.blueGain, value); }
int32_t CSensorFamilyModel::GetColorGainRed(int32_t* value) {
    return Has(kFeatureColorGains) ? GetStored(params_.redGain.current, value) : 0;
}
int32_t CSensorFamilyModel::GetColorGainGreen1(int32_t* value) {
    return Has(kFeatureColorGains) ? GetStored(params_.green1Gain.current, value) : 0;
}
int32_t CSensorFamilyModel::GetColorGainGreen2(int32_t* value) {
    return Has(kFeatureColorGains) ? GetStored(params_.green2Gain.current, value) : 0;
}
int32_t CSensorFamilyModel::GetColorGainBlue(int32_t* value) {
    return Has(kFeatureColorGains) ? GetStored(params_.blueGain.current, value) : 0;
}


int32_t CSensorFamilyModel::SetChannelValue(int32_t (&values)[4], int32_t channel, int32_t value) {
    if (!Has(kFeatureChannelGains) || !ValidChannel(channel) || value < 0 || value > kChannelValueMax) {
        return 0;
    }
    platform::CriticalSectionLock hold(lock_);
    values[channel - 1] = value;
    return 1;
}
int32_t CSensorFamilyModel::GetChannelValue(const int32_t (&values)[4], int32_t channel, int32_t* value) {
    return Has(kFeatureChannelGains) && ValidChannel(channel) ? GetStored(values[channel - 1], value) : 0;
}
int32_t CSensorFamilyModel::ChannelLimit(int32_t channel, int32_t limit, int32_t* value) {
    return Has(kFeatureChannelGains) && ValidChannel(channel) ? Out(value, limit) : 0;
}

int32_t CSensorFamilyModel::SetChannelGain(int32_t channel, int32_t value) {
    return SetChannelValue(channelGain_, channel, value);
}
int32_t CSensorFamilyModel::GetChannelGain(int32_t channel, int32_t* value) {
    return GetChannelValue(channelGain_, channel, value);
}
int32_t CSensorFamilyModel::GetChannelGainMin(int32_t channel, int32_t* value) {
    return ChannelLimit(channel, 0, value);
}
int32_t CSensorFamilyModel::GetChannelGainMax(int32_t channel, int32_t* value) {
    return ChannelLimit(channel, kChannelValueMax, value);
}
int32_t CSensorFamilyModel::GetChannelGainDefault(int32_t channel, int32_t* value) {
    return ChannelLimit(channel, kChannelGainDefault, value);
}
int32_t CSensorFamilyModel::SetChannelOffset(int32_t channel, int32_t value) {
    return SetChannelValue(channelOffset_, channel, value);
}
int32_t CSensorFamilyModel::GetChannelOffset(int32_t channel, int32_t* value) {
    return GetChannelValue(channelOffset_, channel, value);
}
int32_t CSensorFamilyModel::GetChannelOffsetMin(int32_t channel, int32_t* value) {
    return ChannelLimit(channel, 0, value);
}
int32_t CSensorFamilyModel::GetChannelOffsetMax(int32_t channel, int32_t* value) {
    return ChannelLimit(channel, kChannelValueMax, value);
}
int32_t CSensorFamilyModel::GetChannelOffsetDefault(int32_t channel, int32_t* value) {
    return ChannelLimit(channel, 0, value);
}

int32_t CSensorFamilyModel::SetLevel(int32_t value) {
    if (!Has(kFeatureLevel) || value < params_.level.minimum || value > params_.level.maximum) {
        return 0;
    }
    platform::CriticalSectionLock hold(lock_);
    if (!controller_ || !controller_->FpgaWrite(kLevelLow, static_cast<uint8_t>(value & 0xFF)) ||
        !controller_->FpgaWrite(kLevelHigh, static_cast<uint8_t>(value >> 8))) {
        return 0;
    }
    params_.level.current = value;
    return 1;
}

int32_t CSensorFamilyModel::SetRealExposure(int32_t exposure) {
    platform::CriticalSectionLock hold(lock_);
    // Held within the model's maximum first: what the model advertises is what it takes, and the
    // exposure kept (and read back) is the one the rule was given. Each rule treats values
    // below its minimum itself.
    return ConvertExposure(std::min(exposure, params_.exposure.maximum));
}

int32_t CSensorFamilyModel::GetRealExposure(int32_t* value) { return GetStored(params_.exposure.current, value); }
int32_t CSensorFamilyModel::GetRealExposureMin(int32_t* value) { return Out(value, params_.exposure.minimum); }
int32_t CSensorFamilyModel::GetRealExposureMax(int32_t* value) { return Out(value, params_.exposure.maximum); }
int32_t CSensorFamilyModel::GetRealExposureDefault(int32_t* value) { return Out(value, params_.exposure.defaultValue); }

int32_t CSensorFamilyModel::SetExposureSeconds(double seconds) {
    if (!Has(kFeatureExposureSeconds) || !std::isfinite(seconds)) {
        return 0;
    }
    const double clamped = std::clamp(seconds, params_.exposureSecondsMinimum, params_.exposureSecondsMaximum);
    return SetRealExposure(static_cast<int32_t>(std::llround(clamped * kExposureUnitsPerSecond)));
}

int32_t CSensorFamilyModel::ClampExposure(int32_t exposure) const {
    return std::clamp(exposure, params_.exposure.minimum, params_.exposure.maximum);
}

void CSensorFamilyModel::StoreExposure(int32_t exposure) {
    platform::CriticalSectionLock hold(lock_);
    params_.exposure.current = exposure;
    if (Has(kFeatureExposureSeconds)) {
        params_.exposureSecondsCurrent = exposure / kExposureUnitsPerSecond;
    }
}

int32_t CSensorFamilyModel::ApplyShutter(int64_t lines, int32_t storedExposure) {
    const int64_t clamped = std::clamp<int64_t>(lines, INT32_MIN, INT32_MAX);
    if (!SetShutterLines(static_cast<int32_t>(clamped))) {
        return 0;
    }
    StoreExposure(storedExposure);
    return 1;
}

int32_t CSensorFamilyModel::ApplyLineTime(int32_t exposure, double lineTime) {
    if (exposure <= 0 || !(lineTime > 0.0)) {
        return 0;
    }
    const double exactLines = exposure / lineTime;
    const int32_t maximum = params_.shutterLines.maximum;
    if (exactLines > maximum) {
        return ApplyShutter(maximum, static_cast<int32_t>(maximum * lineTime));
    }
    return ApplyShutter(std::max<int64_t>(static_cast<int64_t>(exactLines), 1), exposure);
}

int32_t CSensorFamilyModel::SetMirrorFlag(uint32_t feature, MirrorSetting& group, int32_t on) {
    if (!Has(feature)) {
        return 0;
    }
    platform::CriticalSectionLock hold(lock_);
    group.current = on != 0 ? 1 : 0;
    return 1;
}

int32_t CSensorFamilyModel::CurrentOf(const MirrorSetting& group) {
    platform::CriticalSectionLock hold(lock_);
    return group.current;
}

int32_t CSensorFamilyModel::SetMirrorV(int32_t on) { return SetMirrorFlag(kFeatureMirrorV, params_.mirrorV, on); }
int32_t CSensorFamilyModel::GetMirrorV() { return CurrentOf(params_.mirrorV); }
int32_t CSensorFamilyModel::SetMirrorH(int32_t on) { return SetMirrorFlag(kFeatureMirrorH, params_.mirrorH, on); }
int32_t CSensorFamilyModel::GetMirrorH() { return CurrentOf(params_.mirrorH); }

int32_t CSensorFamilyModel::SetFrameRate(int32_t flag, int32_t* rate) {
    return Has(kFeatureFrameRate) && flag == 0 && rate != nullptr ? 1 : 0;
}

int32_t CSensorFamilyModel::WriteRegister(uint32_t address, uint32_t value) { return path_.Write(address, value); }
int32_t CSensorFamilyModel::ReadRegister(uint32_t address, int32_t* value) { return path_.Read(address, value); }
int32_t CSensorFamilyModel::WriteRegister2(uint32_t address, uint32_t value) { return fpgaPath_.Write(address, value); }
int32_t CSensorFamilyModel::ReadRegister2(uint32_t address, int32_t* value) { return fpgaPath_.Read(address, value); }

int32_t CSensorFamilyModel::SetOnOffRegister(uint8_t reg, int32_t on) {
    return controller_ != nullptr && controller_->FpgaWrite(reg, on != 0 ? 1 : 0) ? 1 : 0;
}

int32_t CSensorFamilyModel::ReadOnOffRegister(uint32_t feature, uint8_t reg) {
    uint8_t value = 0;
    if (!Has(feature) || controller_ == nullptr || !controller_->FpgaRead(reg, &value)) {
        return -1;
    }
    return value != 0 ? 1 : 0;
}

int32_t CSensorFamilyModel::IsPeltierSupported() { return Has(kFeaturePeltier) ? 1 : 0; }
int32_t CSensorFamilyModel::GetPeltier() { return ReadOnOffRegister(kFeaturePeltier, kCooler); }
int32_t CSensorFamilyModel::SetPeltier(int32_t on) { return Has(kFeaturePeltier) ? SetOnOffRegister(kCooler, on) : 0; }

int32_t CSensorFamilyModel::IsSwitch82Supported() { return Has(kFeatureSwitch82) ? 1 : 0; }
int32_t CSensorFamilyModel::GetSwitch82() { return ReadOnOffRegister(kFeatureSwitch82, kSwitch82); }
int32_t CSensorFamilyModel::SetSwitch82(int32_t on) { return Has(kFeatureSwitch82) ? SetOnOffRegister(kSwitch82, on) : 0; }

int32_t CSensorFamilyModel::IsSwitch80Supported() { return Has(kFeatureSwitch80) ? 1 : 0; }
int32_t CSensorFamilyModel::GetSwitch80() {
    uint8_t value = 0;
    if (!Has(kFeatureSwitch80) || controller_ == nullptr || !controller_->FpgaRead(kSwitch80, &value)) {
        return -1;
    }
    return value & 1;
}
int32_t CSensorFamilyModel::SetSwitch80(int32_t on) {
    uint8_t value = 0;
    if (!Has(kFeatureSwitch80) || controller_ == nullptr) {
        return 0;
    }
    platform::CriticalSectionLock hold(lock_);  // the other bits of the register survive
    if (!controller_->FpgaRead(kSwitch80, &value)) {
        return 0;
    }
    value = static_cast<uint8_t>(on != 0 ? (value | 1) : (value & ~1));
    return controller_->FpgaWrite(kSwitch80, value) ? 1 : 0;
}

int32_t CSensorFamilyModel::IsPresetSupported() { return Has(kFeaturePreset) ? 1 : 0; }
int32_t CSensorFamilyModel::GetPreset() {
    platform::CriticalSectionLock hold(lock_);
    return Has(kFeaturePreset) ? preset_ : 0;
}
int32_t CSensorFamilyModel::SetPreset(int32_t on) {
    if (!Has(kFeaturePreset)) {
        return 0;
    }
    platform::CriticalSectionLock hold(lock_);
    for (uint32_t i = 0; i < 3; ++i) {
        if (!path_.Write(kPresetFirstRegister + i, on != 0 ? kPresetOn[i] : kPresetOff)) {
            return 0;
        }
    }
    preset_ = on != 0 ? 1 : 0;
    return 1;
}

}  // namespace ovilux::camera
