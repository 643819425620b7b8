// AuxDevice.h - the auxiliary two-wire device: 256 byte registers with an address pointer.
#pragma once

#include <array>

#include "sim/TwoWireDevice.h"

namespace ovilux::sim {

class CAuxDevice final : public CTwoWireDevice {
public:
    // [register, values...] stores into consecutive registers; [register] only selects.
    bool Write(const uint8_t* data, uint32_t count, SimClock::time_point now) override;
    bool Read(uint8_t* data, uint32_t count, SimClock::time_point now) override;

private:
    std::array<uint8_t, 256> registers_{};
    uint8_t selected_ = 0;
};

}  // namespace ovilux::sim
