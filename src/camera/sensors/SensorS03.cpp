// SensorS03.cpp - register programming of the M03 sensor: window and binning, exposure in
// shutter lines, gains, mirroring and the trigger bits.
#include "camera/sensors/SensorS03.h"

#include <algorithm>

#include "platform/Clock.h"

namespace ovilux::camera {

namespace {

// Sensor registers.
constexpr uint8_t kChipVersion = 0x00;
constexpr uint8_t kRowStart = 0x01;
constexpr uint8_t kColumnStart = 0x02;
constexpr uint8_t kRowSize = 0x03;
constexpr uint8_t kColumnSize = 0x04;
constexpr uint8_t kHorizontalBlank = 0x05;
constexpr uint8_t kVerticalBlank = 0x06;
constexpr uint8_t kShutterWidth = 0x09;
constexpr uint8_t kReset = 0x0D;
constexpr uint8_t kPllControl = 0x10;
constexpr uint8_t kPllConfig1 = 0x11;
constexpr uint8_t kPllConfig2 = 0x12;
constexpr uint8_t kReadMode1 = 0x1E;
constexpr uint8_t kReadMode2 = 0x20;
constexpr uint8_t kRowAddressMode = 0x22;
constexpr uint8_t kColumnAddressMode = 0x23;
constexpr uint8_t kGreen1Gain = 0x2B;
constexpr uint8_t kBlueGain = 0x2C;
constexpr uint8_t kRedGain = 0x2D;
constexpr uint8_t kGreen2Gain = 0x2E;
constexpr uint8_t kGlobalGain = 0x35;
constexpr uint8_t kSiliconRevision = 0xFD;

constexpr uint32_t kTimeoutMs = 3000;
constexpr int32_t kFullWidth = 2592;
constexpr int32_t kFullHeight = 1944;
constexpr int32_t kMinWidth = 320;
constexpr int32_t kMinHeight = 8;
constexpr int32_t kRowStartOffset = 52;     // first active row behind the dark rows
constexpr int32_t kMirroredRowOffset = 48;  // keeps the Bayer phase when rows are read upwards
constexpr int32_t kColumnStartOffset = 16;
constexpr int32_t kVerticalBlankRows = 25;
constexpr int32_t kPixelClockKHz = 96000;
constexpr uint16_t kChipVersion1801 = 0x1801;
constexpr uint16_t kTriggerBits = 0x0310;
constexpr uint16_t kMirrorRowsBit = 0x8000;
constexpr uint16_t kMirrorColumnsBit = 0x4000;
constexpr uint16_t kAddressModeKeep = 0xFFC8;

struct SubsampleRule {
    int32_t originStep;
    int32_t widthStep;
    int32_t heightStep;
    int32_t divisor;
    int32_t lineLengthConstant;
    uint16_t addressMode;  // bin and skip bits of R0x22 and R0x23
};

constexpr SubsampleRule kSubsampleRules[] = {
    {2, 16, 2, 1, 956, 0x0000},
    {4, 32, 8, 2, 1555, 0x0011},
    {8, 64, 16, 4, 2888, 0x0033},
};

// Registers that silicon 0x1801 with this revision needs for clean images, in this order.
struct RegisterValue {
    uint8_t reg;
    uint16_t value;
};
constexpr RegisterValue kRevisionFixes[] = {
    {0x27, 0x000B}, {0x3E, 0x0040}, {0x3F, 0x0004}, {0x40, 0x0007}, {0x42, 0x0005}, {0x43, 0x0001},
    {0x44, 0x0203}, {0x4C, 0x0010}, {0x4E, 0x2020}, {0x4F, 0x0014}, {0x51, 0x0007}, {0x53, 0x0007},
    {0x59, 0x0007}, {0x5A, 0x0004}, {0x5C, 0x0750}, {0x7F, 0xFF00},
};
constexpr uint16_t kRevisionMask = 0x07E0;
constexpr uint16_t kRevisionNeedingFixes = 0x00E0;

void SetGroup(SettingGroup& group, int32_t minimum, int32_t maximum, int32_t value) {
    group = SettingGroup{minimum, maximum, value, value, 1};
}

}  // namespace

CSensorS03::CSensorS03(usb::CControllerBase* controller, uint8_t busAddress)
    : CSensorWithLimits(controller, busAddress) {
    params_ = SensorParameters{};
    params_.fullWidth = kFullWidth;
    params_.fullHeight = kFullHeight;
    params_.defaultWidth = kFullWidth;
    params_.defaultHeight = kFullHeight;
    params_.widthFree = 1;
    params_.heightFree = 1;
    params_.width = kFullWidth;
    params_.height = kFullHeight;
    // Rows of the full window until a window is set: the longest exposure it advertises before
    // then is the full window's, the longest any window takes.
    params_.lineLength = kFullWidth + kSubsampleRules[0].lineLengthConstant;
    SetGroup(params_.shutterLines, 1, 0x7FFF, 1920);
    SetGroup(params_.globalGain, 0, 63, 16);
    SetGroup(params_.redGain, 0, 63, 16);
    SetGroup(params_.green1Gain, 0, 63, 16);
    SetGroup(params_.green2Gain, 0, 63, 16);
    SetGroup(params_.blueGain, 0, 63, 16);
    SetGroup(params_.exposure, 1, 20000, 666);
    params_.mirrorV.supported = 1;
    params_.mirrorH.supported = 1;
    params_.bitsPerSample = 12;
    params_.pixelClockKHz = kPixelClockKHz;
}

int32_t CSensorS03::WriteRegister(uint32_t address, uint32_t value) {
    if (controller_ == nullptr) {
        return 0;
    }
    const uint8_t bytes[3] = {static_cast<uint8_t>(address), static_cast<uint8_t>(value >> 8),
                              static_cast<uint8_t>(value)};
    return controller_->I2cWrite(busAddress_, bytes, 3, kTimeoutMs) ? 1 : 0;
}

int32_t CSensorS03::ReadRegister(uint32_t address, int32_t* value) {
    if (controller_ == nullptr || value == nullptr) {
        return 0;
    }
    platform::CriticalSectionLock hold(lock_);  // the address write and the read belong together
    const uint8_t reg = static_cast<uint8_t>(address);
    uint8_t bytes[2] = {0, 0};
    if (!controller_->I2cWrite(busAddress_, &reg, 1, kTimeoutMs) ||
        !controller_->I2cRead(busAddress_, bytes, 2, kTimeoutMs)) {
        return 0;
    }
    *value = bytes[0] * 256 + bytes[1];
    return 1;
}

int32_t CSensorS03::Probe() {
    int32_t version = 0;
    return ReadRegister(kChipVersion, &version) && version != 0 ? 1 : 0;
}

int32_t CSensorS03::Initialize() {
    platform::CriticalSectionLock hold(lock_);
    WriteRegister(kReset, 0);
    platform::SleepMs(10);
    WriteRegister(kPllControl, 0x0051);  // powered, bypassed
    WriteRegister(kPllConfig1, 0x1001);  // multiplier 16, pre-divider 1 + 1
    WriteRegister(kPllConfig2, 0x0001);  // output divider 1 + 1
    WriteRegister(kPllControl, 0x0053);  // in use
    int32_t version = 0;
    int32_t revision = 0;
    if (ReadRegister(kChipVersion, &version) && ReadRegister(kSiliconRevision, &revision) &&
        version == kChipVersion1801 && (revision & kRevisionMask) == kRevisionNeedingFixes) {
        for (const RegisterValue& fix : kRevisionFixes) {
            WriteRegister(fix.reg, fix.value);
        }
    }
    SetWindow(params_.defaultX, params_.defaultWidth, params_.defaultY, params_.defaultHeight, 0);
    return 1;
}

int32_t CSensorS03::SetWindow(int32_t x, int32_t width, int32_t y, int32_t height, int32_t subsample) {
    if (x < 0 || y < 0 || width < kMinWidth || height < kMinHeight || subsample < 0 || subsample > 2 ||
        static_cast<int64_t>(x) + width > kFullWidth || static_cast<int64_t>(y) + height > kFullHeight) {
        return 0;
    }
    const SubsampleRule& rule = kSubsampleRules[subsample];
    // The whole array is always a valid window: 4 x 4 binning of the full 2592 x 1944 gives
    // 648 x 486 although neither side is a multiple of that mode's steps.
    const bool fullWidth = x == 0 && width == kFullWidth;
    const bool fullHeight = y == 0 && height == kFullHeight;
    if (x % rule.originStep != 0 || y % rule.originStep != 0 || (width % rule.widthStep != 0 && !fullWidth) ||
        (height % rule.heightStep != 0 && !fullHeight)) {
        return 0;
    }
    platform::CriticalSectionLock hold(lock_);
    int32_t rowMode = 0;
    int32_t columnMode = 0;
    if (!ReadRegister(kRowAddressMode, &rowMode) || !ReadRegister(kColumnAddressMode, &columnMode)) {
        return 0;
    }
    rowMode = (rowMode & kAddressModeKeep) | rule.addressMode;
    columnMode = (columnMode & kAddressModeKeep) | rule.addressMode;
    const RegisterValue writes[] = {
        {kRowStart, static_cast<uint16_t>(y + kRowStartOffset)},
        {kColumnStart, static_cast<uint16_t>(x + kColumnStartOffset)},
        {kRowSize, static_cast<uint16_t>(height + 1)},
        {kColumnSize, static_cast<uint16_t>(width + 1)},
        {kHorizontalBlank, 0},
        {kVerticalBlank, static_cast<uint16_t>(kVerticalBlankRows)},
        {kRowAddressMode, static_cast<uint16_t>(rowMode)},
        {kColumnAddressMode, static_cast<uint16_t>(columnMode)},
    };
    for (const RegisterValue& write : writes) {
        if (!WriteRegister(write.reg, write.value)) {
            return 0;
        }
    }
    const int32_t outputWidth = width / rule.divisor;
    const int32_t outputHeight = height / rule.divisor;
    params_.x = x;
    params_.y = y;
    params_.width = outputWidth;
    params_.height = outputHeight;
    params_.subsample = subsample;
    params_.lineLength = outputWidth + rule.lineLengthConstant;
    params_.frameLines = y + outputHeight + kVerticalBlankRows;
    return 1;
}

int32_t CSensorS03::GetWindow(int32_t* x, int32_t* width, int32_t* y, int32_t* height, int32_t* subsample) {
    return WindowFromBlock(x, width, y, height, subsample);
}

int32_t CSensorS03::UpdateRegisterBits(uint8_t reg, uint16_t bits, bool set) {
    int32_t value = 0;
    if (!ReadRegister(reg, &value)) {
        return 0;
    }
    value = set ? (value | bits) : (value & ~bits);
    return WriteRegister(reg, static_cast<uint32_t>(value) & 0xFFFFu);
}

int32_t CSensorS03::SetTriggerMode(int32_t mode) {
    platform::CriticalSectionLock hold(lock_);
    if (!UpdateRegisterBits(kReadMode1, kTriggerBits, mode == 1)) {
        return 0;
    }
    triggerMode_ = mode;
    return 1;
}

int32_t CSensorS03::GetTriggerMode(int32_t* mode) {
    platform::CriticalSectionLock hold(lock_);
    return Out(mode, triggerMode_);
}

int32_t CSensorS03::SetShutterLines(int32_t lines) {
    platform::CriticalSectionLock hold(lock_);
    params_.shutterLines.current = lines;
    return WriteRegister(kShutterWidth, static_cast<uint32_t>(lines));
}

int32_t CSensorS03::GetShutterLines(int32_t* lines) {
    platform::CriticalSectionLock hold(lock_);
    return Out(lines, params_.shutterLines.current);
}

int32_t CSensorS03::SetGlobalGain(int32_t value) { return SetColorGain(params_.globalGain, kGlobalGain, value); }

int32_t CSensorS03::GetGlobalGain(int32_t* value) {
    platform::CriticalSectionLock hold(lock_);
    return Out(value, params_.globalGain.current);
}

int32_t CSensorS03::SetColorGain(SettingGroup& group, uint8_t reg, int32_t value) {
    platform::CriticalSectionLock hold(lock_);
    group.current = value;
    return WriteRegister(reg, static_cast<uint32_t>(value));
}

int32_t CSensorS03::SetColorGainRed(int32_t value) { return SetColorGain(params_.redGain, kRedGain, value); }
int32_t CSensorS03::SetColorGainGreen1(int32_t value) { return SetColorGain(params_.green1Gain, kGreen1Gain, value); }
int32_t CSensorS03::SetColorGainGreen2(int32_t value) { return SetColorGain(params_.green2Gain, kGreen2Gain, value); }
int32_t CSensorS03::SetColorGainBlue(int32_t value) { return SetColorGain(params_.blueGain, kBlueGain, value); }

int32_t CSensorS03::GetColorGainRed(int32_t* value) {
    platform::CriticalSectionLock hold(lock_);
    return Out(value, params_.redGain.current);
}
int32_t CSensorS03::GetColorGainGreen1(int32_t* value) {
    platform::CriticalSectionLock hold(lock_);
    return Out(value, params_.green1Gain.current);
}
int32_t CSensorS03::GetColorGainGreen2(int32_t* value) {
    platform::CriticalSectionLock hold(lock_);
    return Out(value, params_.green2Gain.current);
}
int32_t CSensorS03::GetColorGainBlue(int32_t* value) {
    platform::CriticalSectionLock hold(lock_);
    return Out(value, params_.blueGain.current);
}


int32_t CSensorS03::SetRealExposure(int32_t exposure) {
    if (exposure <= 0) {
        return 0;  // zero (and nonsense below it) has no shutter width
    }
    platform::CriticalSectionLock hold(lock_);
    const double lineTime = LineTime();
    const double exactLines = exposure / lineTime;
    int32_t lines = exactLines >= params_.shutterLines.maximum ? params_.shutterLines.maximum
                                                               : static_cast<int32_t>(exactLines);
    int32_t stored = exposure;
    if (lines == 0) {
        lines = 1;
    }
    if (exactLines > params_.shutterLines.maximum) {
        stored = static_cast<int32_t>(params_.shutterLines.maximum * lineTime);
    }
    if (!SetShutterLines(lines)) {
        return 0;
    }
    params_.exposure.current = stored;
    return 1;
}

int32_t CSensorS03::GetRealExposure(int32_t* value) {
    platform::CriticalSectionLock hold(lock_);
    return Out(value, params_.exposure.current);
}
int32_t CSensorS03::GetRealExposureMin(int32_t* value) { return Out(value, params_.exposure.minimum); }
int32_t CSensorS03::GetRealExposureMax(int32_t* value) {
    // The shutter counts at most 0x7FFF rows, and a wider window's rows take longer: what is
    // advertised is what this window takes (2 s at narrow windows, about 1.2 s at full width).
    platform::CriticalSectionLock hold(lock_);
    const auto reachable = static_cast<int32_t>(params_.shutterLines.maximum * LineTime());
    return Out(value, std::min(params_.exposure.maximum, reachable));
}

double CSensorS03::LineTime() const {
    // In 0.1 ms units: pixel clocks per row over the pixel clock.
    return static_cast<double>(params_.lineLength * 10) / params_.pixelClockKHz;
}
int32_t CSensorS03::GetRealExposureDefault(int32_t* value) { return Out(value, params_.exposure.defaultValue); }

int32_t CSensorS03::SetMirrorV(int32_t on) {
    platform::CriticalSectionLock hold(lock_);
    params_.mirrorV.current = on != 0 ? 1 : 0;
    const int32_t rowStart = params_.y + (on != 0 ? kMirroredRowOffset : kRowStartOffset);
    WriteRegister(kRowStart, static_cast<uint32_t>(rowStart));
    return UpdateRegisterBits(kReadMode2, kMirrorRowsBit, on != 0);
}

int32_t CSensorS03::GetMirrorV() {
    platform::CriticalSectionLock hold(lock_);
    return params_.mirrorV.current;
}

int32_t CSensorS03::SetMirrorH(int32_t on) {
    platform::CriticalSectionLock hold(lock_);
    params_.mirrorH.current = on != 0 ? 1 : 0;
    return UpdateRegisterBits(kReadMode2, kMirrorColumnsBit, on != 0);
}

int32_t CSensorS03::GetMirrorH() {
    platform::CriticalSectionLock hold(lock_);
    return params_.mirrorH.current;
}

int32_t CSensorS03::GetClockMode(int32_t* mode) {
    const int32_t clock = params_.pixelClockKHz;
    return Out(mode, clock == 16000 ? 1 : clock == 80000 ? 2 : 0);
}

}  // namespace ovilux::camera
