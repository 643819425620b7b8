// RecordingBusController.h - a controller double that records every two-wire transfer byte for
// byte, answers reads from a queue of bytes (an empty queue fails the read, as a silent device
// does), keeps FPGA registers as plain storage and lets a test react to FPGA writes.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "usb/ControllerBase.h"

namespace ovilux::test {

class RecordingBusController : public usb::CControllerBase {
public:
    struct Transfer {
        uint8_t busAddress;
        bool read;
        std::vector<uint8_t> bytes;
        bool operator==(const Transfer&) const = default;
    };

    int32_t I2cWrite(uint8_t busAddress, const uint8_t* data, uint32_t count, uint32_t) override {
        if (failWrites) {
            return 0;
        }
        transfers.push_back({busAddress, false, std::vector<uint8_t>(data, data + count)});
        return 1;
    }

    int32_t I2cRead(uint8_t busAddress, uint8_t* data, uint32_t count, uint32_t) override {
        if (replies.size() < count) {
            return 0;
        }
        for (uint32_t i = 0; i < count; ++i) {
            data[i] = replies.front();
            replies.pop_front();
        }
        transfers.push_back({busAddress, true, std::vector<uint8_t>(data, data + count)});
        return 1;
    }

    int32_t FpgaWrite(uint8_t reg, uint8_t value) override {
        fpga[reg] = value;
        fpgaWrites.push_back({reg, value});
        if (onFpgaWrite) {
            onFpgaWrite(reg, value);
        }
        return 1;
    }

    int32_t FpgaRead(uint8_t reg, uint8_t* value) override {
        *value = fpga[reg];
        return 1;
    }

    int32_t ReadRegisterWord(uint16_t* word) override {
        *word = identification;
        return 1;
    }

    // Queues characters for the text register; each is one byte of a one-byte read.
    void Reply(const std::string& text) { replies.insert(replies.end(), text.begin(), text.end()); }

    // The characters written to register 0x0000 at bus address 0x48, in order.
    std::string SentText() const {
        std::string text;
        for (const Transfer& t : transfers) {
            if (!t.read && t.busAddress == 0x48 && t.bytes.size() == 3 && t.bytes[0] == 0 && t.bytes[1] == 0) {
                text.push_back(static_cast<char>(t.bytes[2]));
            }
        }
        return text;
    }

    std::vector<Transfer> transfers;
    std::deque<uint8_t> replies;
    std::map<uint8_t, uint8_t> fpga;
    std::vector<std::pair<uint8_t, uint8_t>> fpgaWrites;
    std::function<void(uint8_t, uint8_t)> onFpgaWrite;
    uint16_t identification = 0;
    bool failWrites = false;
};

}  // namespace ovilux::test
