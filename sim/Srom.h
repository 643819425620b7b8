// Srom.h - the camera's serial configuration memory: an EEPROM with two-byte addresses, page
// writes and a write cycle during which it acknowledges nothing.
#pragma once

#include <array>

#include "sim/TwoWireDevice.h"

namespace ovilux::sim {

class CSrom final : public CTwoWireDevice {
public:
    CSrom();

    // [high, low] sets the address; [high, low, data...] writes within one page and starts the
    // write cycle. Refused during a write cycle, and data writes are refused while failing.
    bool Write(const uint8_t* data, uint32_t count, SimClock::time_point now) override;
    // Reads from the current address on; refused during a write cycle.
    bool Read(uint8_t* data, uint32_t count, SimClock::time_point now) override;

    uint8_t Byte(uint32_t address) const { return memory_[address % kSromSize]; }
    void SetFailWrites(bool fail) { failWrites_ = fail; }

private:
    bool Busy(SimClock::time_point now) const { return now < busyUntil_; }

    std::array<uint8_t, kSromSize> memory_;
    uint32_t address_ = 0;
    SimClock::time_point busyUntil_{};
    bool failWrites_ = false;
};

}  // namespace ovilux::sim
