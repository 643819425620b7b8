// FrameSettings.h - everything a frame's pixels depend on, taken from the sensor's and the
// FPGA's registers when the frame is produced: two frames with equal settings look alike.
#pragma once

#include <array>
#include <cstdint>

#include "sim/SensorReadout.h"

namespace ovilux::sim {

class CImageSensor;
class CFpga;

struct CFrameSettings {
    static CFrameSettings FromRegisters(const CImageSensor& sensor, const CFpga& fpga);

    // The payload bytes of one frame.
    uint32_t FrameBytes() const { return width * height * bytesPerSample; }

    SensorReadout readout;
    uint32_t width = 0;           // samples per row, as the FPGA frames them
    uint32_t height = 0;          // rows per frame
    uint32_t bytesPerSample = 1;  // 1: the top 8 of 12 bits; 2: 12 bits in a little-endian word
    // Scene level to sample, per Bayer channel, in 1/65536 (exposure times gain).
    std::array<uint32_t, 4> multiplier{};
    uint32_t exposureMicroseconds = 0;

    bool operator==(const CFrameSettings&) const = default;
};

}  // namespace ovilux::sim
