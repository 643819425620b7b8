// TransferHeader.h - the driver's 38-byte transfer header: reading the request a block carries
// and writing the status words the driver returns in it. Pure layout, no I/O.
#pragma once

#include <cstdint>

namespace ovilux::sim {

class CTransferHeader {
public:
    // Reads the fields of the header at block (at least 38 bytes).
    static CTransferHeader Parse(const uint8_t* block);
    // Writes the NT and USBD status words into the header at block.
    static void WriteStatus(uint8_t* block, uint32_t ntStatus, uint32_t usbdStatus);

    uint8_t requestType = 0;
    uint8_t request = 0;
    uint16_t value = 0;
    uint16_t index = 0;
    uint16_t length = 0;
    uint32_t timeout = 0;
    uint8_t endpoint = 0;
    uint32_t bufferOffset = 0;
    uint32_t bufferLength = 0;
};

}  // namespace ovilux::sim
