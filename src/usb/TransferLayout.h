// TransferLayout.h - the bytes of the FX3 driver's request blocks and of the camera's frame
// header: building and reading them, with no I/O, so that every byte can be checked alone.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "usb/UsbConstants.h"

namespace ovilux::usb {

// The 38-byte header in front of every transfer block, field by field.
struct TransferHeader {
    uint8_t requestType = 0;
    uint8_t request = 0;
    uint16_t value = 0;
    uint16_t index = 0;
    uint16_t length = 0;
    uint32_t timeout = 0;
    uint8_t endpoint = 0;
    uint32_t ntStatus = 0;    // written by the driver
    uint32_t usbdStatus = 0;  // written by the driver
    uint32_t isoPacketOffset = 0;
    uint32_t isoPacketLength = 0;
    uint32_t bufferOffset = 0;
    uint32_t bufferLength = 0;
};

namespace transfer_header_offset {
constexpr size_t kRequestType = 0;
constexpr size_t kRequest = 1;
constexpr size_t kValue = 2;
constexpr size_t kIndex = 4;
constexpr size_t kLength = 6;
constexpr size_t kTimeout = 8;
constexpr size_t kReserved = 12;
constexpr size_t kEndpoint = 13;
constexpr size_t kNtStatus = 14;
constexpr size_t kUsbdStatus = 18;
constexpr size_t kIsoPacketOffset = 22;
constexpr size_t kIsoPacketLength = 26;
constexpr size_t kBufferOffset = 30;
constexpr size_t kBufferLength = 34;
}  // namespace transfer_header_offset

// Writes the header's 38 bytes (the reserved byte as 0).
void EncodeTransferHeader(const TransferHeader& header, uint8_t* out);
TransferHeader DecodeTransferHeader(const uint8_t* in);

using ControlBlock = std::array<uint8_t, kControlBlockBytes>;

// One vendor control request: the header (length = the whole block, timeout 3000, endpoint 0,
// data at offset 38, 64 data bytes) and count bytes of data, the rest zero. False, leaving
// out untouched, when count is above 64 or data is null with a count.
bool BuildControlBlock(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index, const uint8_t* data,
                       size_t count, ControlBlock& out);

// The reply's data length from the bytes the driver returned for a control block.
uint32_t ControlReplyDataLength(uint32_t bytesReturned);

// The header of a buffered bulk block of dataLength bytes on an endpoint.
void EncodeBufferedHeader(uint8_t endpoint, uint32_t dataLength, uint8_t* out);

// The header of a direct transfer: all zero but the endpoint.
void EncodeDirectHeader(uint8_t endpoint, uint8_t* out);

// The payload byte count and the frame count of a 64-byte frame header.
uint32_t FramePayloadCount(const uint8_t* frameHeader);
uint32_t FrameHeaderCount(const uint8_t* frameHeader);

}  // namespace ovilux::usb
