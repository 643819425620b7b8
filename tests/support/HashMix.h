// HashMix.h - a well-mixed 32-bit integer from another: the same input always gives the same
// output, neighbouring inputs unrelated ones. Test pictures and noise are made from it.
#pragma once

#include <cstdint>

namespace ovilux::test {

inline uint32_t HashMix(uint32_t value) {
    value ^= value >> 16;
    value *= 0x7FEB352Du;
    value ^= value >> 15;
    value *= 0x846CA68Bu;
    value ^= value >> 16;
    return value;
}

}  // namespace ovilux::test
