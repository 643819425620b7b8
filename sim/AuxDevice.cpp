// AuxDevice.cpp - plain byte registers.
#include "sim/AuxDevice.h"

namespace ovilux::sim {

bool CAuxDevice::Write(const uint8_t* data, uint32_t count, SimClock::time_point /*now*/) {
    if (count == 0) {
        return true;
    }
    selected_ = data[0];
    for (uint32_t i = 1; i < count; ++i) {
        registers_[selected_++] = data[i];
    }
    return true;
}

bool CAuxDevice::Read(uint8_t* data, uint32_t count, SimClock::time_point /*now*/) {
    for (uint32_t i = 0; i < count; ++i) {
        data[i] = registers_[selected_++];
    }
    return true;
}

}  // namespace ovilux::sim
