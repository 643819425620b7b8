// ImageSensor.cpp - register storage and the readout, timing and gain they describe.
#include "sim/ImageSensor.h"

#include <algorithm>

namespace ovilux::sim {

namespace {

constexpr uint16_t kSkipMask = 0x0007;
constexpr uint16_t kBinShift = 4;
constexpr uint16_t kBinMask = 0x0003;
constexpr uint16_t kGainAnalogMask = 0x003F;
constexpr uint16_t kGainMultiplierBit = 0x0040;
constexpr uint16_t kGainDigitalShift = 8;
constexpr uint16_t kGainDigitalMask = 0x007F;
constexpr double kMinimumPixelClockHz = 1e6;

SensorAxis Axis(uint16_t start, uint16_t sizeMinusOne, uint16_t addressMode, bool mirror) {
    SensorAxis axis;
    axis.start = start;
    axis.size = sizeMinusOne + 1;
    axis.skip = (addressMode & kSkipMask) + 1;
    axis.bin = std::min<int32_t>(((addressMode >> kBinShift) & kBinMask) + 1, axis.skip);
    axis.mirror = mirror;
    return axis;
}

}  // namespace

CImageSensor::CImageSensor() { LoadDefaults(); }

void CImageSensor::LoadDefaults() {
    registers_.fill(0);
    registers_[kSensorChipVersion] = kSensorChipVersionValue;
    registers_[kSensorRowStart] = 54;
    registers_[kSensorColumnStart] = kActiveColumnOrigin;
    registers_[kSensorRowSize] = kActiveHeight - 1;
    registers_[kSensorColumnSize] = kActiveWidth - 1;
    registers_[kSensorVerticalBlank] = 25;
    registers_[kSensorShutterWidth] = kActiveHeight - 1;
    registers_[kSensorPllControl] = 0x0050;
    registers_[kSensorPllConfig1] = 0x6404;
    registers_[kSensorReadMode1] = 0x4006;
    registers_[kSensorReadMode2] = 0x0040;
    registers_[kSensorGreen1Gain] = 8;
    registers_[kSensorBlueGain] = 8;
    registers_[kSensorRedGain] = 8;
    registers_[kSensorGreen2Gain] = 8;
    registers_[kSensorGlobalGain] = 8;
    registers_[kSensorChipVersionAlt] = kSensorChipVersionAltValue;
}

bool CImageSensor::Write(const uint8_t* data, uint32_t count, SimClock::time_point /*now*/) {
    if (count == 0) {
        return true;
    }
    selected_ = data[0];
    for (uint32_t i = 1; i + 1 < count; i += 2) {
        Store(selected_, static_cast<uint16_t>((data[i] << 8) | data[i + 1]));
        ++selected_;
    }
    return true;
}

bool CImageSensor::Read(uint8_t* data, uint32_t count, SimClock::time_point /*now*/) {
    for (uint32_t i = 0; i < count; ++i) {
        if (i % 2 == 0) {
            data[i] = static_cast<uint8_t>(registers_[selected_] >> 8);
        } else {
            data[i] = static_cast<uint8_t>(registers_[selected_]);
            ++selected_;
        }
    }
    return true;
}

void CImageSensor::Store(uint8_t address, uint16_t value) {
    switch (address) {
        case kSensorChipVersion:
        case kSensorChipVersionAlt:
            return;  // read-only
        case kSensorReset:
            // Entering reset returns every register to its power-on value.
            if ((value & kSensorResetBit) != 0) {
                LoadDefaults();
            }
            break;
        case kSensorGlobalGain:
            // The global gain sets all four colour gains at once.
            registers_[kSensorGreen1Gain] = value;
            registers_[kSensorBlueGain] = value;
            registers_[kSensorRedGain] = value;
            registers_[kSensorGreen2Gain] = value;
            break;
        default:
            break;
    }
    registers_[address] = value;
}

SensorReadout CImageSensor::Readout() const {
    const uint16_t mode2 = registers_[kSensorReadMode2];
    SensorReadout readout;
    readout.rows = Axis(registers_[kSensorRowStart], registers_[kSensorRowSize], registers_[kSensorRowAddressMode],
                        (mode2 & kSensorMirrorRowsBit) != 0);
    readout.columns = Axis(registers_[kSensorColumnStart], registers_[kSensorColumnSize],
                           registers_[kSensorColumnAddressMode], (mode2 & kSensorMirrorColumnsBit) != 0);
    return readout;
}

double CImageSensor::PixelClockHz() const {
    if ((registers_[kSensorPllControl] & kSensorPllInUse) != kSensorPllInUse) {
        return kSensorInputClockHz;
    }
    const uint32_t multiplier = registers_[kSensorPllConfig1] >> 8;
    const uint32_t preDivider = (registers_[kSensorPllConfig1] & 0x3F) + 1;
    const uint32_t outputDivider = (registers_[kSensorPllConfig2] & 0x1F) + 1;
    if (multiplier == 0) {
        return kSensorInputClockHz;
    }
    return std::max(kSensorInputClockHz * multiplier / preDivider / outputDivider, kMinimumPixelClockHz);
}

uint32_t CImageSensor::LineLength() const {
    const SensorAxis columns = Readout().columns;
    return static_cast<uint32_t>(columns.Outputs()) + registers_[kSensorHorizontalBlank] +
           kLineOverhead[columns.bin - 1];
}

uint32_t CImageSensor::ShutterLines() const {
    return (static_cast<uint32_t>(registers_[kSensorShutterUpper]) << 16) | registers_[kSensorShutterWidth];
}

uint32_t CImageSensor::FrameLines() const {
    const uint32_t readout = static_cast<uint32_t>(Readout().rows.Outputs()) + registers_[kSensorVerticalBlank];
    return std::max(readout, ShutterLines() + 1);
}

std::chrono::nanoseconds CImageSensor::FramePeriod() const {
    const double seconds = static_cast<double>(LineLength()) * FrameLines() / PixelClockHz();
    const auto period = std::chrono::nanoseconds(static_cast<int64_t>(seconds * 1e9));
    return std::max<std::chrono::nanoseconds>(period, kMinimumFramePeriod);
}

double CImageSensor::ExposureSeconds() const {
    return static_cast<double>(ShutterLines()) * LineLength() / PixelClockHz();
}

double CImageSensor::ChannelGain(BayerChannel channel) const {
    static constexpr uint8_t kGainRegister[4] = {kSensorRedGain, kSensorGreen1Gain, kSensorGreen2Gain,
                                                 kSensorBlueGain};
    const uint16_t code = registers_[kGainRegister[channel]];
    const double analog = (code & kGainAnalogMask) / 8.0 * ((code & kGainMultiplierBit) != 0 ? 2.0 : 1.0);
    const double digital = 1.0 + ((code >> kGainDigitalShift) & kGainDigitalMask) / 8.0;
    return analog * digital;
}

}  // namespace ovilux::sim
