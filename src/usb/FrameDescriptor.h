// FrameDescriptor.h - the record a transfer loop hands to the controller's frame reads.
#pragma once

#include <cstdint>

#include "usb/UsbConstants.h"

namespace ovilux::usb {

struct FrameDescriptor {
    uint8_t header[kFrameHeaderBytes];  // the last frame header read
    uint32_t frameCount;                // that header's frame count
    uint8_t* buffer;                    // where payloads go
    uint32_t capacity;                  // the buffer's size in bytes
    uint32_t expectedBytes;             // a header-less frame's size
    uint32_t receivedBytes;             // payload bytes the last payload read received
};

}  // namespace ovilux::usb
