// Firmware.cpp - vendor request dispatch.
#include "sim/Firmware.h"

#include <cstring>

#include "sim/ByteOrder.h"
#include "sim/StreamCommands.h"
#include "sim/TransferHeader.h"
#include "sim/TwoWireDevice.h"

namespace ovilux::sim {

namespace {

constexpr CControlReply kStall{false, 0};
constexpr uint32_t kTimingValueBytes = 4;
constexpr uint32_t kSensorWordBytes = 4;
constexpr uint16_t kTimingHighBit = 0x8000;
constexpr uint16_t kTimingAddressMask = 0x7FFF;
constexpr uint32_t kSerialOffset = 4;
constexpr uint32_t kNameOffset = 8;
constexpr uint32_t kNameLength = 16;
constexpr uint32_t kSpeedOffset = 26;
constexpr uint8_t kReady = 1;

// The request type each vendor request must come with; 0 for unknown requests.
uint8_t ExpectedType(uint8_t request) {
    switch (request) {
        case kRequestI2cWrite:
        case kRequestSetTransferWidth:
        case kRequestWriteSensorWord:
        case kRequestResetStream:
        case kRequestWriteTimingRegister:
            return kRequestTypeHostToDevice;
        case kRequestI2cRead:
        case kRequestGetTransferWidth:
        case kRequestReadSensorWord:
        case kRequestDeviceInfo:
        case kRequestControllerInfo:
        case kRequestReadyState:
        case kRequestReadTimingRegister:
            return kRequestTypeDeviceToHost;
        case kRequestPrepareRead:
        case kRequestEndpointCommand:
            return kRequestTypeHostToEndpoint;
        default:
            return 0;
    }
}

CControlReply Sent(uint32_t bytes) { return {true, bytes}; }

}  // namespace

CFirmware::CFirmware(uint16_t productId, uint32_t serialNumber, CStreamCommands& stream)
    : productId_(productId), serialNumber_(serialNumber), stream_(stream) {}

void CFirmware::AttachDevice(uint8_t busAddress, CTwoWireDevice& device) { devices_[busAddress >> 1] = &device; }

void CFirmware::SetSilent(uint8_t busAddress, bool silent) { silent_[busAddress >> 1] = silent; }

void CFirmware::RouteSensorWords(uint8_t busAddress, uint32_t addressBytes) {
    sensorWordDevice_ = busAddress;
    sensorWordAddressBytes_ = addressBytes;
}

CTwoWireDevice* CFirmware::Device(uint8_t busAddress) const {
    const uint8_t slot = busAddress >> 1;
    return silent_[slot] ? nullptr : devices_[slot];
}

CControlReply CFirmware::Handle(const CTransferHeader& request, const uint8_t* dataIn, uint32_t dataInLength,
                                uint8_t* reply, uint32_t replyCapacity, SimClock::time_point now) {
    const uint8_t expected = ExpectedType(request.request);
    if (expected == 0 || request.requestType != expected) {
        return kStall;
    }
    switch (request.request) {
        case kRequestI2cWrite:
            return BridgeWrite(request, dataIn, dataInLength, now);
        case kRequestI2cRead:
            return BridgeRead(request, reply, replyCapacity, now);
        case kRequestSetTransferWidth:
            if (dataInLength < 1) {
                return kStall;
            }
            transferWidth_ = dataIn[0];
            return Sent(1);
        case kRequestGetTransferWidth:
            if (replyCapacity < 1) {
                return kStall;
            }
            reply[0] = transferWidth_;
            return Sent(1);
        case kRequestWriteSensorWord:
            return SensorWordWrite(dataIn, dataInLength, now);
        case kRequestReadSensorWord:
            return SensorWordRead(request.value, reply, replyCapacity, now);
        case kRequestDeviceInfo:
        case kRequestControllerInfo:
            return InfoBlock(request.request == kRequestDeviceInfo, reply, replyCapacity);
        case kRequestResetStream:
            stream_.ResetStream(now);
            return Sent(0);
        case kRequestPrepareRead:
            stream_.PrepareRead(now);
            return Sent(0);
        case kRequestEndpointCommand:
            return Sent(0);
        case kRequestReadyState:
            if (replyCapacity < kInfoBlockSize) {
                return kStall;
            }
            std::memset(reply, 0, kInfoBlockSize);
            reply[0] = kReady;
            return Sent(kInfoBlockSize);
        case kRequestWriteTimingRegister: {
            if (dataInLength < kTimingValueBytes) {
                return kStall;
            }
            const uint16_t address =
                static_cast<uint16_t>((request.value != 0 ? kTimingHighBit : 0) | (request.index & kTimingAddressMask));
            timingRegisters_[address] = LoadLe32(dataIn);
            return Sent(kTimingValueBytes);
        }
        case kRequestReadTimingRegister: {
            if (replyCapacity < kInfoBlockSize) {
                return kStall;
            }
            std::memset(reply, 0, kInfoBlockSize);
            const auto found = timingRegisters_.find(request.index);
            StoreLe32(reply, found == timingRegisters_.end() ? 0 : found->second);
            return Sent(kInfoBlockSize);
        }
        default:
            return kStall;
    }
}

CControlReply CFirmware::BridgeWrite(const CTransferHeader& request, const uint8_t* data, uint32_t length,
                                     SimClock::time_point now) {
    const uint32_t count = request.value;
    const uint8_t address = static_cast<uint8_t>(request.index);
    if (count > kBridgeMaxBytes || count > length || request.index > 0xFF || (address & 1) != 0) {
        return kStall;
    }
    CTwoWireDevice* device = Device(address);
    if (device == nullptr || !device->Write(data, count, now)) {
        return kStall;
    }
    return Sent(count);
}

CControlReply CFirmware::BridgeRead(const CTransferHeader& request, uint8_t* reply, uint32_t capacity,
                                    SimClock::time_point now) {
    const uint32_t count = request.value;
    const uint8_t address = static_cast<uint8_t>(request.index);
    if (count > kBridgeMaxBytes || count > capacity || request.index > 0xFF || (address & 1) == 0) {
        return kStall;
    }
    CTwoWireDevice* device = Device(address);
    if (device == nullptr || !device->Read(reply, count, now)) {
        return kStall;
    }
    return Sent(count);
}

CControlReply CFirmware::SensorWordWrite(const uint8_t* data, uint32_t length, SimClock::time_point now) {
    // The request carries address high, address low, value high, value low; a sensor with 8-bit
    // register addresses takes the last three.
    const uint32_t skipped = 2 - sensorWordAddressBytes_;
    if (length < kSensorWordBytes || (skipped == 1 && data[0] != 0)) {
        return kStall;
    }
    CTwoWireDevice* sensor = Device(sensorWordDevice_);
    if (sensor == nullptr || !sensor->Write(data + skipped, kSensorWordBytes - skipped, now)) {
        return kStall;
    }
    return Sent(kSensorWordBytes);
}

CControlReply CFirmware::SensorWordRead(uint16_t address, uint8_t* reply, uint32_t capacity,
                                        SimClock::time_point now) {
    CTwoWireDevice* sensor = Device(sensorWordDevice_);
    const uint8_t selected[2] = {static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address)};
    const uint32_t skipped = 2 - sensorWordAddressBytes_;
    uint8_t word[2];
    if ((skipped == 1 && address > 0xFF) || capacity < 2 || sensor == nullptr ||
        !sensor->Write(selected + skipped, sensorWordAddressBytes_, now) || !sensor->Read(word, 2, now)) {
        return kStall;
    }
    StoreLe16(reply, LoadBe16(word));
    return Sent(2);
}

CControlReply CFirmware::InfoBlock(bool device, uint8_t* reply, uint32_t capacity) const {
    if (capacity < kInfoBlockSize) {
        return kStall;
    }
    std::memset(reply, 0, kInfoBlockSize);
    if (device) {
        StoreLe16(reply, kVendorId);
        StoreLe16(reply + 2, productId_);
        StoreLe32(reply + kSerialOffset, serialNumber_);
        std::memcpy(reply + kNameOffset, "Ovilux-M03-UX", sizeof("Ovilux-M03-UX"));
        StoreLe16(reply + kSpeedOffset, static_cast<uint16_t>(kSuperSpeedCode));
    } else {
        StoreLe16(reply, kFpgaIdentification);
        StoreLe16(reply + 2, kSensorChipVersionValue);
        std::memcpy(reply + kNameOffset, "FX3 bridge", sizeof("FX3 bridge"));
    }
    static_assert(sizeof("Ovilux-M03-UX") <= kNameLength);
    StoreLe16(reply + kInfoVersionOffset, kFirmwareVersion);
    return Sent(kInfoBlockSize);
}

}  // namespace ovilux::sim
