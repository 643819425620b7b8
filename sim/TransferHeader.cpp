// TransferHeader.cpp - the transfer header's little-endian, packed fields.
#include "sim/TransferHeader.h"

#include "sim/ByteOrder.h"

namespace ovilux::sim {

namespace {

constexpr uint32_t kRequestTypeOffset = 0;
constexpr uint32_t kRequestOffset = 1;
constexpr uint32_t kValueOffset = 2;
constexpr uint32_t kIndexOffset = 4;
constexpr uint32_t kLengthOffset = 6;
constexpr uint32_t kTimeoutOffset = 8;
constexpr uint32_t kEndpointOffset = 13;
constexpr uint32_t kNtStatusOffset = 14;
constexpr uint32_t kUsbdStatusOffset = 18;
constexpr uint32_t kBufferOffsetOffset = 30;
constexpr uint32_t kBufferLengthOffset = 34;

}  // namespace

CTransferHeader CTransferHeader::Parse(const uint8_t* block) {
    CTransferHeader header;
    header.requestType = block[kRequestTypeOffset];
    header.request = block[kRequestOffset];
    header.value = LoadLe16(block + kValueOffset);
    header.index = LoadLe16(block + kIndexOffset);
    header.length = LoadLe16(block + kLengthOffset);
    header.timeout = LoadLe32(block + kTimeoutOffset);
    header.endpoint = block[kEndpointOffset];
    header.bufferOffset = LoadLe32(block + kBufferOffsetOffset);
    header.bufferLength = LoadLe32(block + kBufferLengthOffset);
    return header;
}

void CTransferHeader::WriteStatus(uint8_t* block, uint32_t ntStatus, uint32_t usbdStatus) {
    StoreLe32(block + kNtStatusOffset, ntStatus);
    StoreLe32(block + kUsbdStatusOffset, usbdStatus);
}

}  // namespace ovilux::sim
