// FrameHeader.h - the 64-byte header the camera sends before each frame's payload. The library
// reads the payload byte count at offset 16 and the frame count at offset 32; the rest is the
// camera's own: a magic word, the frame's size and sample width, its exposure and timestamp.
#pragma once

#include <cstdint>

namespace ovilux::sim {

class CFrameHeader {
public:
    static constexpr uint32_t kMagicOffset = 0;
    static constexpr uint32_t kWidthOffset = 4;
    static constexpr uint32_t kHeightOffset = 6;
    static constexpr uint32_t kBytesPerSampleOffset = 8;
    static constexpr uint32_t kTriggeredOffset = 9;
    static constexpr uint32_t kExposureOffset = 12;
    static constexpr uint32_t kPayloadBytesOffset = 16;
    static constexpr uint32_t kTimestampOffset = 20;
    static constexpr uint32_t kFrameCountOffset = 32;

    uint32_t payloadBytes = 0;
    uint32_t frameCount = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    uint8_t bytesPerSample = 1;
    bool triggered = false;
    uint32_t exposureMicroseconds = 0;
    uint64_t timestampMicroseconds = 0;  // since the camera was plugged in

    // Writes the 64 header bytes.
    void Write(uint8_t* out) const;
};

}  // namespace ovilux::sim
