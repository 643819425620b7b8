// WordRegisterSensor.cpp - the 16-bit-address register file.
#include "sim/WordRegisterSensor.h"

namespace ovilux::sim {

CWordRegisterSensor::CWordRegisterSensor(uint32_t valueBytes, uint16_t identification) : valueBytes_(valueBytes) {
    registers_[0] = identification;
}

bool CWordRegisterSensor::Write(const uint8_t* data, uint32_t count, SimClock::time_point /*now*/) {
    // An address cut short or a value without all its bytes is not acknowledged.
    if (count < 2 || (count - 2) % valueBytes_ != 0) {
        return false;
    }
    selected_ = static_cast<uint16_t>(data[0] << 8 | data[1]);
    for (uint32_t i = 2; i < count; i += valueBytes_) {
        registers_[selected_++] = valueBytes_ == 2 ? static_cast<uint16_t>(data[i] << 8 | data[i + 1]) : data[i];
    }
    return true;
}

bool CWordRegisterSensor::Read(uint8_t* data, uint32_t count, SimClock::time_point /*now*/) {
    if (count % valueBytes_ != 0) {
        return false;
    }
    for (uint32_t i = 0; i < count; i += valueBytes_) {
        const uint16_t value = Register(selected_++);
        if (valueBytes_ == 2) {
            data[i] = static_cast<uint8_t>(value >> 8);
            data[i + 1] = static_cast<uint8_t>(value);
        } else {
            data[i] = static_cast<uint8_t>(value);
        }
    }
    return true;
}

uint16_t CWordRegisterSensor::Register(uint16_t address) const {
    const auto found = registers_.find(address);
    return found == registers_.end() ? 0 : found->second;
}

}  // namespace ovilux::sim
