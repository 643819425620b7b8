// OviCy3Cam.cpp - the camera controller's vendor requests, register paths and frame reads.
#include "usb/OviCy3Cam.h"

#include <cstring>
#include <new>

#include "platform/Clock.h"
#include "platform/Event.h"
#include "usb/ByteOrder.h"
#include "usb/TransferLayout.h"

namespace ovilux::usb {

using platform::DeviceHandle;

namespace {

uint8_t High(uint16_t word) { return static_cast<uint8_t>(word >> 8); }
uint8_t Low(uint16_t word) { return static_cast<uint8_t>(word); }

}  // namespace

COviCy3Cam::COviCy3Cam(platform::DriverPort& port, const platform::InterfaceGuid* guid, const char* tableName)
    : CFx3Api(port, guid, tableName) {}

COviCy3Cam::~COviCy3Cam() { COviCy3Cam::Release(); }

// --- Vendor requests ---------------------------------------------------------------------

int32_t COviCy3Cam::VendorRequest(DeviceHandle handle, uint8_t requestType, uint8_t request, uint16_t value,
                                  uint16_t index, const uint8_t* data, size_t count, ControlReply* reply) {
    ControlBlock block;
    if (!BuildControlBlock(requestType, request, value, index, data, count, block)) {
        return 0;
    }
    DeviceHandle own = nullptr;
    if (handle == nullptr) {
        if (!OpenDevicePath(&own, deviceRow_, false)) {
            return 0;
        }
        handle = own;
    }
    uint32_t bytes = 0;
    const int32_t sent = SendControlTransfer(handle, block.data(), static_cast<uint32_t>(block.size()), &bytes);
    CloseDeviceHandle(&own);
    if (sent && reply != nullptr) {
        reply->length = ControlReplyDataLength(bytes);
        std::memcpy(reply->data, block.data() + kTransferHeaderBytes, kControlDataBytes);
    }
    return sent;
}

int32_t COviCy3Cam::I2cWrite(uint8_t busAddress, const uint8_t* data, uint32_t count, uint32_t /*timeout*/) {
    if (count > kMaxI2cBytes || (data == nullptr && count != 0)) {
        return 0;
    }
    return VendorRequest(nullptr, request_type::kVendorOut, vendor_request::kI2cWrite, static_cast<uint16_t>(count),
                         busAddress, data, count, nullptr);
}

int32_t COviCy3Cam::I2cRead(uint8_t busAddress, uint8_t* data, uint32_t count, uint32_t /*timeout*/) {
    if (count > kMaxI2cBytes || (data == nullptr && count != 0)) {
        return 0;
    }
    ControlReply reply;
    const int32_t sent = VendorRequest(nullptr, request_type::kVendorIn, vendor_request::kI2cRead,
                                       static_cast<uint16_t>(count), busAddress | kI2cReadFlag, nullptr, 0, &reply);
    if (sent && count != 0 && reply.length >= count) {
        std::memcpy(data, reply.data, count);
    }
    return sent;
}

int32_t COviCy3Cam::WriteTimingRegister(uint16_t address, uint32_t value, uint32_t /*timeout*/) {
    uint8_t data[4];
    PutLe32(data, value);
    // The register's top address bit travels in the value field, the rest in the index.
    return VendorRequest(nullptr, request_type::kVendorOut, vendor_request::kWriteTimingRegister,
                         static_cast<uint16_t>(address >> 15), address & 0x7FFF, data, sizeof(data), nullptr);
}

int32_t COviCy3Cam::ReadTimingRegister(uint16_t address, int32_t* value, uint32_t /*timeout*/) {
    if (value == nullptr) {
        return 0;
    }
    ControlReply reply;
    const int32_t sent = VendorRequest(nullptr, request_type::kVendorIn, vendor_request::kReadTimingRegister, 0,
                                       address, nullptr, 0, &reply);
    if (sent) {
        *value = 0;
        if (reply.length >= kControlDataBytes) {
            *value = GetLe16(reply.data);
        }
    }
    return sent;
}

int32_t COviCy3Cam::WriteSensorWord(uint16_t address, uint16_t value, uint32_t /*timeout*/) {
    const uint8_t data[4] = {High(address), Low(address), High(value), Low(value)};
    return VendorRequest(nullptr, request_type::kVendorOut, vendor_request::kWriteSensorWord, 0, 0, data,
                         sizeof(data), nullptr);
}

int32_t COviCy3Cam::ReadSensorWord(uint16_t address, int32_t* value, uint32_t /*timeout*/) {
    if (value == nullptr) {
        return 0;
    }
    ControlReply reply;
    const int32_t sent = VendorRequest(nullptr, request_type::kVendorIn, vendor_request::kReadSensorWord, address, 0,
                                       nullptr, 0, &reply);
    if (sent && reply.length != 0) {
        *value = GetLe16(reply.data);
    }
    return sent;
}

int32_t COviCy3Cam::SetTransferWidth(uint8_t mode) {
    return VendorRequest(nullptr, request_type::kVendorOut, vendor_request::kSetTransferWidth, 0, 0, &mode, 1,
                         nullptr);
}

int32_t COviCy3Cam::GetTransferWidth(uint8_t* mode) {
    if (mode == nullptr) {
        return 0;
    }
    ControlReply reply;
    const int32_t sent =
        VendorRequest(nullptr, request_type::kVendorIn, vendor_request::kGetTransferWidth, 0, 0, nullptr, 0, &reply);
    if (sent && reply.length != 0) {
        *mode = reply.data[0];
    }
    return sent;
}

int32_t COviCy3Cam::ReadInfoBlock(uint8_t request, uint8_t* info) {
    if (info == nullptr) {
        return 0;
    }
    ControlReply reply;
    const int32_t sent = VendorRequest(nullptr, request_type::kVendorIn, request, 0, 0, nullptr, 0, &reply);
    if (sent && reply.length == kControlDataBytes) {
        std::memcpy(info, reply.data, kControlDataBytes);
    }
    return sent;
}

int32_t COviCy3Cam::GetDeviceInfo(uint8_t* info) { return ReadInfoBlock(vendor_request::kGetDeviceInfo, info); }

int32_t COviCy3Cam::GetControllerInfo(uint8_t* info) {
    return ReadInfoBlock(vendor_request::kGetControllerInfo, info);
}

int32_t COviCy3Cam::GetReadyState(uint8_t* state) {
    if (state == nullptr) {
        return 0;
    }
    ControlReply reply;
    const int32_t sent =
        VendorRequest(nullptr, request_type::kVendorIn, vendor_request::kGetReadyState, 0, 0, nullptr, 0, &reply);
    if (sent && reply.length == kControlDataBytes) {
        *state = reply.data[0];
    }
    return sent;
}

int32_t COviCy3Cam::ResetStream() {
    return VendorRequest(nullptr, request_type::kVendorOut, vendor_request::kResetStream, 0, 0, nullptr, 0, nullptr);
}

int32_t COviCy3Cam::PrepareRead(DeviceHandle handle) {
    if (handle == nullptr) {
        handle = streamHandle_;
    }
    if (handle == nullptr) {
        return 0;
    }
    return VendorRequest(handle, request_type::kVendorOutEndpoint, vendor_request::kPrepareRead, 0, 0, nullptr, 0,
                         nullptr);
}

int32_t COviCy3Cam::SendEndpointCommand() {
    return VendorRequest(nullptr, request_type::kVendorOutEndpoint, vendor_request::kEndpointCommand, 0, 0, nullptr,
                         0, nullptr);
}

// --- Composite register operations ---------------------------------------------------------

int32_t COviCy3Cam::FpgaWrite(uint8_t reg, uint8_t value) {
    platform::CriticalSectionLock lock(registerLock_);
    const uint8_t data[3] = {reg, 0x00, value};
    return I2cWrite(kFpgaBusAddress, data, sizeof(data), kControlTimeoutMs);
}

int32_t COviCy3Cam::FpgaRead(uint8_t reg, uint8_t* value) {
    if (value == nullptr) {
        return 0;
    }
    platform::CriticalSectionLock lock(registerLock_);
    uint8_t reply[2] = {};
    if (!I2cWrite(kFpgaBusAddress, &reg, 1, kControlTimeoutMs) ||
        !I2cRead(kFpgaBusAddress | kI2cReadFlag, reply, sizeof(reply), kControlTimeoutMs)) {
        return 0;
    }
    *value = reply[1];
    return 1;
}

int32_t COviCy3Cam::ReadRegisterWord(uint16_t* word) {
    if (word == nullptr) {
        return 0;
    }
    // A byte that cannot be read counts as 0; callers take the word as it comes.
    uint8_t low = 0;
    uint8_t high = 0;
    FpgaRead(kFpgaRegisterWordLow, &low);
    FpgaRead(kFpgaRegisterWordHigh, &high);
    *word = static_cast<uint16_t>(high * 256 + low);
    return 1;
}

int32_t COviCy3Cam::AuxWrite(uint8_t reg, uint8_t value) {
    platform::CriticalSectionLock lock(registerLock_);
    const uint8_t data[2] = {reg, value};
    return I2cWrite(kAuxBusAddress, data, sizeof(data), kControlTimeoutMs);
}

int32_t COviCy3Cam::AuxRead(uint8_t reg, uint8_t* value) {
    if (value == nullptr) {
        return 0;
    }
    // The register address written first is what the read answers: no other transfer of this
    // controller may come between.
    platform::CriticalSectionLock lock(registerLock_);
    uint8_t byte = 0;
    const int32_t wrote = I2cWrite(kAuxBusAddress, &reg, 1, kControlTimeoutMs);
    const int32_t read = I2cRead(kAuxBusAddress | kI2cReadFlag, &byte, 1, kControlTimeoutMs);
    if (!wrote || !read) {
        return 0;
    }
    *value = byte;
    return 1;
}

int32_t COviCy3Cam::SromWrite(uint16_t address, uint8_t value) {
    platform::CriticalSectionLock lock(registerLock_);
    const uint8_t data[3] = {High(address), Low(address), value};
    if (!I2cWrite(kSromBusAddress, data, sizeof(data), kControlTimeoutMs)) {
        return 0;
    }
    platform::SleepMs(kSromWriteMs);
    return 1;
}

int32_t COviCy3Cam::SromRead(uint16_t address, uint8_t* value) {
    if (value == nullptr) {
        return 0;
    }
    platform::CriticalSectionLock lock(registerLock_);
    const uint8_t data[2] = {High(address), Low(address)};
    uint8_t byte = 0;
    const int32_t wrote = I2cWrite(kSromBusAddress, data, sizeof(data), kControlTimeoutMs);
    platform::SleepMs(kSromAddressSettleMs);
    const int32_t read = I2cRead(kSromBusAddress | kI2cReadFlag, &byte, 1, kControlTimeoutMs);
    if (!wrote || !read) {
        return 0;
    }
    *value = byte;
    return 1;
}

// --- Device selection, buffer, stream ------------------------------------------------------

void COviCy3Cam::Release() {
    CloseStream();
    CloseDeviceHandle(&selectionHandle_);
    transferBuffer_.reset();
}

int32_t COviCy3Cam::SelectDevice(int32_t row) {
    CloseStream();
    CloseDeviceHandle(&selectionHandle_);
    if (!IsDevicePresent(row)) {
        return 0;
    }
    deviceRow_ = row;
    OpenDevicePath(&selectionHandle_, row, false);
    return 1;
}

int32_t COviCy3Cam::InitializeTransferBuffer() {
    if (transferBuffer_ == nullptr) {
        transferBuffer_.reset(new (std::nothrow) uint8_t[kTransferBufferBytes]);
        if (transferBuffer_ == nullptr) {
            return 0;
        }
    }
    ResetParentPort();
    return 1;
}

int32_t COviCy3Cam::OpenStream() {
    if (streamHandle_ != nullptr) {
        return 1;
    }
    return OpenDevicePath(&streamHandle_, deviceRow_, true);
}

int32_t COviCy3Cam::CloseStream() { return CloseDeviceHandle(&streamHandle_); }

int32_t COviCy3Cam::AbortPipe() {
    AbortEndpoint(streamHandle_, kFrameEndpoint);
    return 1;
}

// --- Bulk transfers ----------------------------------------------------------------------

int32_t COviCy3Cam::BufferedTransfer(DeviceHandle handle, uint8_t* data, uint32_t length, uint8_t endpoint,
                                     uint32_t* dataLength) {
    if (dataLength != nullptr) {
        *dataLength = 0;
    }
    if (length > kMaxTransferBytes || handle == nullptr || transferBuffer_ == nullptr ||
        (data == nullptr && length != 0)) {
        return 0;
    }
    uint8_t* block = transferBuffer_.get();
    const uint32_t blockLength = length + static_cast<uint32_t>(kTransferHeaderBytes);
    std::memset(block, 0, blockLength);
    EncodeBufferedHeader(endpoint, length, block);
    uint32_t bytes = 0;
    if (!SendBufferedTransfer(handle, block, blockLength, &bytes)) {
        return 0;
    }
    const uint32_t received = bytes >= kTransferHeaderBytes ? bytes - static_cast<uint32_t>(kTransferHeaderBytes) : 0;
    if (received <= length) {
        if (received != 0) {
            std::memcpy(data, block + kTransferHeaderBytes, received);
        }
        if (dataLength != nullptr) {
            *dataLength = received;
        }
    }
    return 1;
}

int32_t COviCy3Cam::DirectTransfer(DeviceHandle handle, uint8_t* data, uint32_t length, uint8_t endpoint,
                                   uint32_t* bytes, uint32_t timeout) {
    if (bytes != nullptr) {
        *bytes = 0;
    }
    if (length > kMaxTransferBytes || handle == nullptr || transferBuffer_ == nullptr ||
        (data == nullptr && length != 0)) {
        return 0;
    }
    platform::Event done(platform::EventReset::Auto, false);
    if (!done.IsValid()) {
        return 0;
    }
    platform::Overlapped overlapped(done);
    return AwaitDirectTransfer(handle, endpoint, BeginDirectTransfer(handle, data, length, endpoint, overlapped), timeout,
                               bytes);
}

int32_t COviCy3Cam::DirectTransferLong(DeviceHandle handle, uint8_t* data, uint32_t length, uint8_t endpoint,
                                       uint32_t* bytes) {
    if (bytes != nullptr) {
        *bytes = 0;
    }
    if (length > kMaxTransferBytes || handle == nullptr || transferBuffer_ == nullptr ||
        (data == nullptr && length != 0)) {
        return 0;
    }
    PrepareRead(handle);
    platform::Event done(platform::EventReset::Auto, false);
    if (!done.IsValid()) {
        return 0;
    }
    platform::Overlapped overlapped(done);
    return AwaitDirectTransfer(handle, endpoint, BeginDirectTransfer(handle, data, length, endpoint, overlapped),
                               kDirectTransferLongWaitMs, bytes);
}

int32_t COviCy3Cam::AwaitDirectTransfer(DeviceHandle handle, uint8_t endpoint, std::unique_ptr<DirectRequest> request,
                                        uint32_t timeout, uint32_t* bytes) {
    if (request == nullptr) {
        return 0;
    }
    if (!WaitDirectTransfer(*request, timeout)) {
        if (!request->Outstanding()) {
            return 0;  // never started
        }
        // The request writes into the caller's buffer and completes into the caller's record:
        // it must be over before either goes.
        CancelDirectTransfer(handle, endpoint, *request);
    }
    return FinishDirectTransfer(handle, std::move(request), bytes);
}

// --- Frame reads -------------------------------------------------------------------------

bool COviCy3Cam::EnsureStream(bool* opened) {
    *opened = false;
    if (streamHandle_ != nullptr) {
        return true;
    }
    *opened = OpenStream() != 0;
    return *opened;
}

int32_t COviCy3Cam::FailClosing(bool opened) {
    if (opened) {
        CloseStream();
    }
    return 0;
}

int32_t COviCy3Cam::ReadFrameHeader(FrameDescriptor* descriptor, uint32_t /*timeout*/) {
    bool opened = false;
    if (descriptor == nullptr || !EnsureStream(&opened)) {
        return 0;
    }
    if (!PrepareRead(nullptr)) {
        return FailClosing(opened);
    }
    for (int attempt = 0; attempt < kFrameHeaderAttempts; ++attempt) {
        uint8_t header[kFrameHeaderBytes] = {};
        uint32_t bytes = 0;
        const bool done =
            DirectTransfer(streamHandle_, header, kFrameHeaderBytes, kFrameEndpoint, &bytes, kFrameHeaderTimeoutMs) != 0;
        if (done && bytes == kFrameHeaderBytes) {
            std::memcpy(descriptor->header, header, kFrameHeaderBytes);
            descriptor->frameCount = FrameHeaderCount(header);
            return 1;
        }
        if (done && bytes == 0) {
            continue;  // a zero-length packet closing the last transfer: the header comes next
        }
        // A missed header usually means the FPGA's frame logic is stuck; pulse its reset.
        FpgaWrite(kFpgaFrameResetRegister, 1);
        FpgaWrite(kFpgaFrameResetRegister, 0);
        platform::SleepMs(kFrameResetSettleMs);
        if (!PrepareRead(nullptr)) {
            return FailClosing(opened);
        }
    }
    return FailClosing(opened);
}

int32_t COviCy3Cam::ReadFramePayload(FrameDescriptor* descriptor, uint32_t timeout) {
    bool opened = false;
    if (descriptor == nullptr || !EnsureStream(&opened)) {
        return 0;
    }
    const uint32_t size = FramePayloadCount(descriptor->header);
    if (size > descriptor->capacity || (descriptor->buffer == nullptr && size != 0)) {
        return FailClosing(opened);
    }
    descriptor->receivedBytes = 0;
    for (uint32_t offset = 0; offset < size; offset += kPayloadChunkBytes) {
        const uint32_t chunk = size - offset < kPayloadChunkBytes ? size - offset : kPayloadChunkBytes;
        uint32_t bytes = 0;
        const bool done =
            DirectTransfer(streamHandle_, descriptor->buffer + offset, chunk, kFrameEndpoint, &bytes, timeout) != 0;
        descriptor->receivedBytes += bytes <= chunk ? bytes : chunk;
        // A chunk that ends short is a frame cut off (the camera's short packet ended it): the
        // buffer past it still holds the last frame's bytes, so the frame is lost, never passed on.
        if (!done || bytes != chunk) {
            return FailClosing(opened);
        }
    }
    if (opened) {
        CloseStream();
    }
    return 1;
}

int32_t COviCy3Cam::ReadFrameDirect(FrameDescriptor* descriptor, uint32_t /*timeout*/) {
    bool opened = false;
    if (descriptor == nullptr || !EnsureStream(&opened)) {
        return 0;
    }
    // Never let the camera write past the buffer, whatever size the caller expects.
    if (descriptor->expectedBytes > descriptor->capacity ||
        (descriptor->buffer == nullptr && descriptor->expectedBytes != 0)) {
        return FailClosing(opened);
    }
    uint32_t bytes = 0;
    if (!DirectTransferLong(streamHandle_, descriptor->buffer, descriptor->expectedBytes, kDirectFrameEndpoint,
                            &bytes)) {
        return FailClosing(opened);
    }
    return bytes == descriptor->expectedBytes ? 1 : 0;
}

}  // namespace ovilux::usb
