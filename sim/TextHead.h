// TextHead.h - the camera head behind the converter of product 0x3180: a serial line seen as
// register 0x0000 of a two-wire device with 16-bit addresses and 8-bit values. Characters
// written there form commands, one per line; the head answers each with a line that reads
// return one character at a time. A read with nothing to say is not acknowledged.
#pragma once

#include <deque>
#include <string>

#include "sim/TwoWireDevice.h"

namespace ovilux::sim {

class CTextHead final : public CTwoWireDevice {
public:
    bool Write(const uint8_t* data, uint32_t count, SimClock::time_point now) override;
    bool Read(uint8_t* data, uint32_t count, SimClock::time_point now) override;

    bool InDebugMode() const { return debugMode_; }

private:
    void Answer(const std::string& command);

    std::string line_;
    std::deque<char> replies_;
    bool debugMode_ = false;
};

}  // namespace ovilux::sim
