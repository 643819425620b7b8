// SampleScale.h - the one rule for the camera's 16-bit samples: they carry the sensor's 12
// significant bits, right-aligned (0 to 4095). Every reduction to 8 bits takes bits 11 to 4;
// files meant for viewing stretch the 12 bits over the full 16-bit range.
#pragma once

#include <cstdint>

namespace ovilux::image {

constexpr uint16_t kSampleMax = 4095;
constexpr int kSignificantBits = 12;

// Bits 11 to 4; a value above the 12-bit range (which no camera frame holds) saturates.
constexpr uint8_t Sample12To8(uint16_t sample) {
    return sample > kSampleMax ? uint8_t{255} : static_cast<uint8_t>(sample >> 4);
}

// The full 16-bit range by bit replication, so 4095 becomes 65535 and the top 12 bits of the
// result are the sample itself.
constexpr uint16_t Sample12To16(uint16_t sample) {
    const uint16_t s = sample > kSampleMax ? kSampleMax : sample;
    return static_cast<uint16_t>((s << 4) | (s >> 8));
}

}  // namespace ovilux::image
