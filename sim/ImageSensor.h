// ImageSensor.h - the 5-megapixel image sensor's two-wire register file (8-bit addresses,
// 16-bit values) and what its registers mean for the frames: window, skipping and binning,
// mirroring, blanking, shutter, gains, PLL, snapshot (trigger) mode and soft reset.
#pragma once

#include <array>
#include <chrono>

#include "sim/SensorReadout.h"
#include "sim/TwoWireDevice.h"

namespace ovilux::sim {

// Colour channels of the Bayer pattern: red and green on even array rows, green and blue on odd.
enum BayerChannel { kRed = 0, kGreenRed = 1, kGreenBlue = 2, kBlue = 3 };

class CImageSensor final : public CTwoWireDevice {
public:
    CImageSensor();

    // [address] selects a register; [address, high, low, ...] writes consecutive registers.
    bool Write(const uint8_t* data, uint32_t count, SimClock::time_point now) override;
    // Reads [high, low] of each register from the selected one on.
    bool Read(uint8_t* data, uint32_t count, SimClock::time_point now) override;

    uint16_t Register(uint8_t address) const { return registers_[address]; }

    SensorReadout Readout() const;
    double PixelClockHz() const;
    // Pixel clocks per row and rows per frame, blanking included; a shutter longer than the
    // frame stretches the frame.
    uint32_t LineLength() const;
    uint32_t FrameLines() const;
    std::chrono::nanoseconds FramePeriod() const;
    double ExposureSeconds() const;
    // The analogue and digital gain of a channel, 1.0 being unity.
    double ChannelGain(BayerChannel channel) const;
    bool InReset() const { return (registers_[kSensorReset] & kSensorResetBit) != 0; }
    bool SnapshotMode() const { return (registers_[kSensorReadMode1] & kSensorSnapshotBit) != 0; }

private:
    void Store(uint8_t address, uint16_t value);
    void LoadDefaults();
    uint32_t ShutterLines() const;

    std::array<uint16_t, 256> registers_{};
    uint8_t selected_ = 0;
};

}  // namespace ovilux::sim
