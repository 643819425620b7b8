// TwoWireDevice.h - a device on the camera's two-wire bus, as the FX3 bridge addresses it.
#pragma once

#include <cstdint>

#include "sim/SimConstants.h"

namespace ovilux::sim {

class CTwoWireDevice {
public:
    virtual ~CTwoWireDevice() = default;
    // One write transaction of count bytes; false when the device does not acknowledge it.
    virtual bool Write(const uint8_t* data, uint32_t count, SimClock::time_point now) = 0;
    // One read transaction of count bytes; false when the device does not acknowledge it.
    virtual bool Read(uint8_t* data, uint32_t count, SimClock::time_point now) = 0;
};

}  // namespace ovilux::sim
