// Srom.cpp - EEPROM addressing, page writes and the write cycle.
#include "sim/Srom.h"

namespace ovilux::sim {

CSrom::CSrom() { memory_.fill(0xFF); }

bool CSrom::Write(const uint8_t* data, uint32_t count, SimClock::time_point now) {
    if (Busy(now)) {
        return false;
    }
    if (count < 2) {
        return true;  // an address probe, or half an address: nothing changes
    }
    if (count > 2 && failWrites_) {
        return false;
    }
    address_ = ((data[0] << 8) | data[1]) % kSromSize;
    if (count == 2) {
        return true;
    }
    // Page writes wrap within their page, as the memory's page buffer does.
    const uint32_t page = address_ - address_ % kSromPageSize;
    for (uint32_t i = 2; i < count; ++i) {
        memory_[address_] = data[i];
        address_ = page + (address_ + 1 - page) % kSromPageSize;
    }
    busyUntil_ = now + kSromWriteCycle;
    return true;
}

bool CSrom::Read(uint8_t* data, uint32_t count, SimClock::time_point now) {
    if (Busy(now)) {
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        data[i] = memory_[address_];
        address_ = (address_ + 1) % kSromSize;
    }
    return true;
}

}  // namespace ovilux::sim
