// TransferLayout.cpp - encoding and decoding of the driver's request blocks and the frame header.
#include "usb/TransferLayout.h"

#include <cstring>

#include "usb/ByteOrder.h"

namespace ovilux::usb {

namespace off = transfer_header_offset;

void EncodeTransferHeader(const TransferHeader& header, uint8_t* out) {
    out[off::kRequestType] = header.requestType;
    out[off::kRequest] = header.request;
    PutLe16(out + off::kValue, header.value);
    PutLe16(out + off::kIndex, header.index);
    PutLe16(out + off::kLength, header.length);
    PutLe32(out + off::kTimeout, header.timeout);
    out[off::kReserved] = 0;
    out[off::kEndpoint] = header.endpoint;
    PutLe32(out + off::kNtStatus, header.ntStatus);
    PutLe32(out + off::kUsbdStatus, header.usbdStatus);
    PutLe32(out + off::kIsoPacketOffset, header.isoPacketOffset);
    PutLe32(out + off::kIsoPacketLength, header.isoPacketLength);
    PutLe32(out + off::kBufferOffset, header.bufferOffset);
    PutLe32(out + off::kBufferLength, header.bufferLength);
}

TransferHeader DecodeTransferHeader(const uint8_t* in) {
    TransferHeader header;
    header.requestType = in[off::kRequestType];
    header.request = in[off::kRequest];
    header.value = GetLe16(in + off::kValue);
    header.index = GetLe16(in + off::kIndex);
    header.length = GetLe16(in + off::kLength);
    header.timeout = GetLe32(in + off::kTimeout);
    header.endpoint = in[off::kEndpoint];
    header.ntStatus = GetLe32(in + off::kNtStatus);
    header.usbdStatus = GetLe32(in + off::kUsbdStatus);
    header.isoPacketOffset = GetLe32(in + off::kIsoPacketOffset);
    header.isoPacketLength = GetLe32(in + off::kIsoPacketLength);
    header.bufferOffset = GetLe32(in + off::kBufferOffset);
    header.bufferLength = GetLe32(in + off::kBufferLength);
    return header;
}

bool BuildControlBlock(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index, const uint8_t* data,
                       size_t count, ControlBlock& out) {
    if (count > kControlDataBytes || (data == nullptr && count != 0)) {
        return false;
    }
    TransferHeader header;
    header.requestType = requestType;
    header.request = request;
    header.value = value;
    header.index = index;
    // The firmware expects the whole block's size here, not the data's.
    header.length = static_cast<uint16_t>(kControlBlockBytes);
    header.timeout = kControlTimeoutMs;
    header.endpoint = kControlEndpoint;
    header.bufferOffset = kTransferHeaderBytes;
    header.bufferLength = kControlDataBytes;
    out.fill(0);
    EncodeTransferHeader(header, out.data());
    if (count != 0) {
        std::memcpy(out.data() + kTransferHeaderBytes, data, count);
    }
    return true;
}

uint32_t ControlReplyDataLength(uint32_t bytesReturned) {
    return bytesReturned >= kTransferHeaderBytes ? bytesReturned - static_cast<uint32_t>(kTransferHeaderBytes)
                                                 : bytesReturned;
}

void EncodeBufferedHeader(uint8_t endpoint, uint32_t dataLength, uint8_t* out) {
    TransferHeader header;
    header.endpoint = endpoint;
    header.bufferOffset = kTransferHeaderBytes;
    header.bufferLength = dataLength;
    EncodeTransferHeader(header, out);
}

void EncodeDirectHeader(uint8_t endpoint, uint8_t* out) {
    TransferHeader header;
    header.endpoint = endpoint;
    EncodeTransferHeader(header, out);
}

uint32_t FramePayloadCount(const uint8_t* frameHeader) { return GetLe32(frameHeader + kFramePayloadCountOffset); }

uint32_t FrameHeaderCount(const uint8_t* frameHeader) { return GetLe32(frameHeader + kFrameCountOffset); }

}  // namespace ovilux::usb
