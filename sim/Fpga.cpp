// Fpga.cpp - the FPGA register file and its side effects.
#include "sim/Fpga.h"

namespace ovilux::sim {

CFpga::CFpga() {
    // Power-on state: full sensor frame, 8-bit samples, auto iris off.
    registers_[kFpgaIdLow] = static_cast<uint8_t>(kFpgaIdentification);
    registers_[kFpgaIdHigh] = static_cast<uint8_t>(kFpgaIdentification >> 8);
    registers_[kFpgaPixelWidth] = 1;
    registers_[kFpgaWidthLow] = static_cast<uint8_t>(kActiveWidth);
    registers_[kFpgaWidthHigh] = static_cast<uint8_t>(kActiveWidth >> 8);
    registers_[kFpgaHeightLow] = static_cast<uint8_t>(kActiveHeight);
    registers_[kFpgaHeightHigh] = static_cast<uint8_t>(kActiveHeight >> 8);
    registers_[kFpgaAutoIris] = 8;
}

bool CFpga::Write(const uint8_t* data, uint32_t count, SimClock::time_point /*now*/) {
    if (count == 0) {
        return true;
    }
    selected_ = data[0];
    // A trailing byte without its pair is ignored, as the FPGA latches whole words only.
    for (uint32_t i = 1; i + 1 < count; i += 2) {
        Store(selected_, data[i + 1]);
        ++selected_;
    }
    return true;
}

bool CFpga::Read(uint8_t* data, uint32_t count, SimClock::time_point /*now*/) {
    for (uint32_t i = 0; i < count; ++i) {
        if (i % 2 == 0) {
            data[i] = 0;
        } else {
            data[i] = registers_[selected_];
            ++selected_;
        }
    }
    return true;
}

void CFpga::Store(uint8_t address, uint8_t value) {
    switch (address) {
        case kFpgaFrameCounter:
        case kFpgaIdLow:
        case kFpgaIdHigh:
            return;  // read-only
        case kFpgaResetPulse:
            if (registers_[address] == 0 && value != 0) {
                resetPulse_ = true;
            }
            break;
        case kFpgaSerialReset:
            // The video link of a camera head comes up when its reset pulse ends.
            if ((registers_[address] & kSerialResetPulse) != 0 && (value & kSerialResetPulse) == 0) {
                value |= kSerialVideoReady;
            }
            break;
        default:
            break;
    }
    if (layout_.heightTakenWithHighByte && address == layout_.heightLow + 1) {
        heightLowTaken_ = registers_[layout_.heightLow];
    }
    registers_[address] = value;
}

bool CFpga::TakeResetPulse() {
    const bool pulse = resetPulse_;
    resetPulse_ = false;
    return pulse;
}

uint32_t CFpga::FrameWidth() const {
    return registers_[layout_.widthLow] | (registers_[layout_.widthLow + 1] << 8);
}

uint32_t CFpga::FrameHeight() const {
    const uint32_t low = layout_.heightTakenWithHighByte ? heightLowTaken_ : registers_[layout_.heightLow];
    return low | (registers_[layout_.heightLow + 1] << 8);
}

}  // namespace ovilux::sim
