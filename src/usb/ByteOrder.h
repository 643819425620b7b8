// ByteOrder.h - little-endian stores and loads for the wire and shared-memory layouts, so that
// the layouts never depend on the host's byte order or on struct packing.
#pragma once

#include <cstdint>

namespace ovilux::usb {

inline void PutLe16(uint8_t* out, uint16_t value) {
    out[0] = static_cast<uint8_t>(value);
    out[1] = static_cast<uint8_t>(value >> 8);
}

inline void PutLe32(uint8_t* out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

inline uint16_t GetLe16(const uint8_t* in) { return static_cast<uint16_t>(in[0] | (in[1] << 8)); }

inline uint32_t GetLe32(const uint8_t* in) {
    return static_cast<uint32_t>(in[0]) | (static_cast<uint32_t>(in[1]) << 8) | (static_cast<uint32_t>(in[2]) << 16) |
           (static_cast<uint32_t>(in[3]) << 24);
}

}  // namespace ovilux::usb
