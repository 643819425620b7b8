// SensorReadout.cpp - output counts and positions along one axis of the readout.
#include "sim/SensorReadout.h"

#include <algorithm>

namespace ovilux::sim {

int32_t SensorAxis::Outputs() const {
    if (size <= 0) {
        return 0;
    }
    const int32_t group = 2 * skip;
    return 2 * (size / group) + std::min(size % group, 2);
}

int32_t SensorAxis::Position(int32_t k) const {
    const int32_t read = mirror ? Outputs() - 1 - k : k;
    return start + (read / 2) * 2 * skip + read % 2;
}

}  // namespace ovilux::sim
