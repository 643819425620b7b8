// RegisterFileController.h - a controller double for sensor-model tests: the two-wire sensor is a
// register file of 16-bit values with an address pointer, FPGA registers are plain storage, and
// every write is recorded in order.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "usb/ControllerBase.h"

namespace ovilux::test {

class RegisterFileController : public usb::CControllerBase {
public:
    struct Write {
        uint8_t reg;
        uint16_t value;
        bool operator==(const Write&) const = default;
    };

    explicit RegisterFileController(uint8_t sensorAddress = 0x90) : sensorAddress_(sensorAddress) {}

    int32_t I2cWrite(uint8_t busAddress, const uint8_t* data, uint32_t count, uint32_t) override {
        if (failing_ || busAddress != sensorAddress_ || data == nullptr) {
            return 0;
        }
        pointer_ = data[0];
        if (count == 3) {
            const uint16_t value = static_cast<uint16_t>(data[1] << 8 | data[2]);
            sensor[pointer_] = value;
            sensorWrites.push_back({pointer_, value});
        }
        return count == 1 || count == 3;
    }

    int32_t I2cRead(uint8_t busAddress, uint8_t* data, uint32_t count, uint32_t) override {
        if (failing_ || busAddress != sensorAddress_ || count != 2 || data == nullptr) {
            return 0;
        }
        const uint16_t value = sensor[pointer_];
        data[0] = static_cast<uint8_t>(value >> 8);
        data[1] = static_cast<uint8_t>(value);
        return 1;
    }

    int32_t FpgaWrite(uint8_t reg, uint8_t value) override {
        if (failing_) {
            return 0;
        }
        fpga[reg] = value;
        fpgaWrites.push_back({reg, value});
        return 1;
    }

    int32_t FpgaRead(uint8_t reg, uint8_t* value) override {
        if (failing_ || value == nullptr) {
            return 0;
        }
        *value = fpga[reg];
        return 1;
    }

    // Every later transfer fails, as with an unplugged camera.
    void FailEverything() { failing_ = true; }

    // The registers written, in order.
    std::vector<uint8_t> WrittenRegisters() const {
        std::vector<uint8_t> regs;
        for (const Write& w : sensorWrites) {
            regs.push_back(w.reg);
        }
        return regs;
    }

    std::map<uint8_t, uint16_t> sensor;
    std::map<uint8_t, uint8_t> fpga;
    std::vector<Write> sensorWrites;
    std::vector<Write> fpgaWrites;

private:
    const uint8_t sensorAddress_;
    uint8_t pointer_ = 0;
    bool failing_ = false;
};

}  // namespace ovilux::test
