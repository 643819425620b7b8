// Fpga.h - the FPGA's 8-bit register file on the two-wire bus: frame size, pixel width,
// trigger enable, the reset pulse and the frame counter that the frame engine drives.
#pragma once

#include <array>

#include "sim/TwoWireDevice.h"

namespace ovilux::sim {

class CFpga final : public CTwoWireDevice {
public:
    CFpga();

    // A write of [register] selects the register; [register, high, value] pairs store values
    // into consecutive registers (the high byte is always 0 on this FPGA).
    bool Write(const uint8_t* data, uint32_t count, SimClock::time_point now) override;
    // Reads [0, value] for each register from the selected one on.
    bool Read(uint8_t* data, uint32_t count, SimClock::time_point now) override;

    uint8_t Register(uint8_t address) const { return registers_[address]; }
    void SetFrameCounter(uint8_t value) { registers_[kFpgaFrameCounter] = value; }
    // True once for every rising edge written to the reset pulse register.
    bool TakeResetPulse();

    bool TriggerEnabled() const { return registers_[kFpgaTriggerEnable] != 0; }
    uint32_t BytesPerSample() const { return registers_[layout_.pixelWidth] == kFpgaPixelWidth16 ? 2 : 1; }
    uint32_t FrameWidth() const;
    uint32_t FrameHeight() const;

    // Where a product's FPGA keeps its frame size (low bytes; the high bytes follow) and its
    // pixel width.
    struct FrameLayout {
        uint8_t widthLow;
        uint8_t heightLow;
        uint8_t pixelWidth;
        // The height's low byte register doubles as a control register once the size is set:
        // the height is the low byte as it stood when the high byte was written.
        bool heightTakenWithHighByte;
    };
    static constexpr FrameLayout kM03Layout = {kFpgaWidthLow, kFpgaHeightLow, kFpgaPixelWidth, false};
    void SetFrameLayout(const FrameLayout& layout) { layout_ = layout; }
    const FrameLayout& Layout() const { return layout_; }

private:
    void Store(uint8_t address, uint8_t value);

    std::array<uint8_t, 256> registers_{};
    uint8_t selected_ = 0;
    bool resetPulse_ = false;
    FrameLayout layout_ = kM03Layout;
    uint8_t heightLowTaken_ = 0;
};

}  // namespace ovilux::sim
