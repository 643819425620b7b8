// WordRegisterSensor.h - an image sensor with 16-bit register addresses, holding 16-bit or
// 8-bit values: a write starts with the address (high byte first) and may carry values for
// consecutive registers; a read returns values from the last address on.
#pragma once

#include <map>

#include "sim/TwoWireDevice.h"

namespace ovilux::sim {

class CWordRegisterSensor final : public CTwoWireDevice {
public:
    // valueBytes is 1 or 2; register 0 holds the chip's identification.
    CWordRegisterSensor(uint32_t valueBytes, uint16_t identification);

    bool Write(const uint8_t* data, uint32_t count, SimClock::time_point now) override;
    bool Read(uint8_t* data, uint32_t count, SimClock::time_point now) override;

    uint16_t Register(uint16_t address) const;

private:
    const uint32_t valueBytes_;
    std::map<uint16_t, uint16_t> registers_;
    uint16_t selected_ = 0;
};

}  // namespace ovilux::sim
