// ProductDescription.h - what a camera of each product of the family looks like from its side
// of the cable: its sensor array, where its image sensor sits on the two-wire bus and how that
// sensor's registers are addressed.
#pragma once

#include <cstdint>
#include <optional>

namespace ovilux::sim {

enum class SensorBus {
    Address8Value16,   // the M03's sensor: 8-bit register addresses, 16-bit values
    Address16Value16,  // 16-bit addresses, 16-bit values
    Address16Value8,   // 16-bit addresses, 8-bit values; a read follows an address-only write
    TextHead,          // a camera head whose serial line is register 0x0000 of a 16/8 device
    FpgaOnly,          // no image sensor on the bus; the FPGA's registers are all there is
};

struct ProductDescription {
    uint16_t productId;
    uint32_t width;   // sensor array
    uint32_t height;  // for line-scan cameras the frame height the FPGA starts with
    uint8_t busAddress;
    SensorBus bus;
    bool ownFrameRegisters = false;  // frame size in FPGA 154 to 157, pixel width in 0xA3
    bool heightTakenWithHighByte = false;  // FPGA 64 is written again after the frame size
    // No FPGA: the FX3 firmware drives the sensor and sends its frames without headers.
    bool fx3Direct = false;
};

// The description of a product the simulation can be, or nothing.
std::optional<ProductDescription> FindProduct(uint16_t productId);

}  // namespace ovilux::sim
