// SimHost.cpp - building and sending the driver requests of the tests.
#include "sim/SimHost.h"

#include <algorithm>
#include <cstring>

namespace ovilux::simtest {

namespace {

constexpr uint32_t kControlTimeout = 3000;

void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

}  // namespace

std::vector<uint8_t> ControlBlock(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                                  const std::vector<uint8_t>& data) {
    std::vector<uint8_t> block(kControlBlockSize, 0);
    block[0] = requestType;
    block[1] = request;
    Put16(&block[2], value);
    Put16(&block[4], index);
    Put16(&block[6], kControlBlockSize);
    Put32(&block[8], kControlTimeout);
    block[13] = 0;  // endpoint 0
    Put32(&block[30], kHeaderSize);
    Put32(&block[34], kControlDataSize);
    std::copy(data.begin(), data.begin() + std::min<size_t>(data.size(), kControlDataSize), block.begin() + kHeaderSize);
    return block;
}

DirectRead::DirectRead() : event_(platform::EventReset::Auto, false), overlapped_(event_) {}

platform::IoResult DirectRead::Begin(platform::DriverPort& port, platform::DeviceHandle handle, uint8_t* data,
                                     uint32_t length, uint32_t timeout) {
    std::memset(header_, 0, sizeof(header_));
    header_[13] = kStreamEndpoint;
    Put32(header_ + 8, timeout);
    platform::IoResult result = port.IoControl(handle, platform::fx3_ioctl::kDirectTransfer, header_, kHeaderSize,
                                               data, length, &overlapped_);
    startedDone_ = result.ok;
    return result;
}

bool DirectRead::WaitDone(uint32_t milliseconds) {
    return startedDone_ || event_.Wait(milliseconds) == platform::WaitResult::Signalled;
}

platform::IoResult DirectRead::Collect(platform::DriverPort& port, platform::DeviceHandle handle, bool wait) {
    return port.GetOverlappedResult(handle, overlapped_, wait);
}

SimHost::~SimHost() {
    if (control_ != nullptr) {
        port_.Close(control_);
    }
    if (stream_ != nullptr) {
        port_.Close(stream_);
    }
}

bool SimHost::Open(const std::string& path) {
    control_ = port_.Open(path.c_str(), false);
    stream_ = port_.Open(path.c_str(), true);
    return control_ != nullptr && stream_ != nullptr;
}

ControlReply SimHost::Control(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                              const std::vector<uint8_t>& data) {
    ControlReply reply;
    reply.block = ControlBlock(requestType, request, value, index, data);
    reply.result = port_.IoControl(control_, platform::fx3_ioctl::kControlTransfer, reply.block.data(),
                                   kControlBlockSize, reply.block.data(), kControlBlockSize, nullptr);
    return reply;
}

bool SimHost::I2cWrite(uint8_t busAddress, const std::vector<uint8_t>& data) {
    return Control(kHostToDevice, 0x30, static_cast<uint16_t>(data.size()), busAddress, data).result.ok;
}

std::optional<std::vector<uint8_t>> SimHost::I2cRead(uint8_t busAddress, uint16_t count) {
    const ControlReply reply = Control(kDeviceToHost, 0x31, count, busAddress | 1);
    if (!reply.result.ok || reply.result.bytes < kHeaderSize + count) {
        return std::nullopt;
    }
    return std::vector<uint8_t>(reply.Data(), reply.Data() + count);
}

bool SimHost::FpgaWrite(uint8_t reg, uint8_t value) { return I2cWrite(0x40, {reg, 0, value}); }

std::optional<uint8_t> SimHost::FpgaRead(uint8_t reg) {
    if (!I2cWrite(0x40, {reg})) {
        return std::nullopt;
    }
    const auto bytes = I2cRead(0x41, 2);
    return bytes ? std::optional<uint8_t>((*bytes)[1]) : std::nullopt;
}

bool SimHost::SensorWrite(uint8_t address, uint16_t value) {
    return I2cWrite(0x90, {address, static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)});
}

std::optional<uint16_t> SimHost::SensorRead(uint8_t address) {
    if (!I2cWrite(0x90, {address})) {
        return std::nullopt;
    }
    const auto bytes = I2cRead(0x91, 2);
    return bytes ? std::optional<uint16_t>(static_cast<uint16_t>(((*bytes)[0] << 8) | (*bytes)[1])) : std::nullopt;
}

bool SimHost::SromWrite(uint16_t address, uint8_t value) {
    return I2cWrite(0xA2, {static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address), value});
}

std::optional<uint8_t> SimHost::SromRead(uint16_t address) {
    if (!I2cWrite(0xA2, {static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address)})) {
        return std::nullopt;
    }
    const auto bytes = I2cRead(0xA3, 1);
    return bytes ? std::optional<uint8_t>((*bytes)[0]) : std::nullopt;
}

bool SimHost::PrepareRead() { return Control(kHostToEndpoint, 0xC2, 0, 0).result.ok; }

bool SimHost::ResetStream() { return Control(kHostToDevice, 0xC0, 0, 0).result.ok; }

bool SimHost::SetWindow(uint32_t x, uint32_t y, uint32_t width, uint32_t height, uint32_t subsample) {
    static constexpr uint16_t kAddressModes[3] = {0x0000, 0x0011, 0x0033};
    const uint32_t outWidth = width >> subsample;
    const uint32_t outHeight = height >> subsample;
    return SensorWrite(0x01, static_cast<uint16_t>(y + 52)) && SensorWrite(0x02, static_cast<uint16_t>(x + 16)) &&
           SensorWrite(0x03, static_cast<uint16_t>(height + 1)) &&
           SensorWrite(0x04, static_cast<uint16_t>(width + 1)) && SensorWrite(0x05, 0) && SensorWrite(0x06, 25) &&
           SensorWrite(0x22, kAddressModes[subsample]) && SensorWrite(0x23, kAddressModes[subsample]) &&
           FpgaWrite(68, static_cast<uint8_t>(outWidth)) && FpgaWrite(69, static_cast<uint8_t>(outWidth >> 8)) &&
           FpgaWrite(64, static_cast<uint8_t>(outHeight)) && FpgaWrite(65, static_cast<uint8_t>(outHeight >> 8));
}

bool SimHost::SetMirror(bool rows, bool columns, uint32_t y) {
    const auto mode = SensorRead(0x20);
    if (!mode) {
        return false;
    }
    uint16_t value = static_cast<uint16_t>(*mode & ~0xC000);
    value |= (rows ? 0x8000 : 0) | (columns ? 0x4000 : 0);
    return SensorWrite(0x01, static_cast<uint16_t>(y + (rows ? 48 : 52))) && SensorWrite(0x20, value);
}

bool SimHost::SetPixelWidth16(bool sixteen) { return FpgaWrite(60, sixteen ? 2 : 1); }

bool SimHost::StartPll() {
    return SensorWrite(0x10, 0x0051) && SensorWrite(0x11, 0x1001) && SensorWrite(0x12, 0x0001) &&
           SensorWrite(0x10, 0x0053);
}

bool SimHost::ReadStream(uint8_t* data, uint32_t length, uint32_t milliseconds) {
    DirectRead read;
    platform::IoResult result = read.Begin(port_, stream_, data, length);
    if (!result.ok && result.error != platform::win32_error::kIoPending) {
        return false;
    }
    if (!read.WaitDone(milliseconds)) {
        AbortPipe();
        read.Collect(port_, stream_, true);
        return false;
    }
    result = read.Collect(port_, stream_, true);
    return result.ok && result.bytes == length && read.NtStatus() == 0 && read.UsbdStatus() == 0;
}

bool SimHost::ReadFrame(std::vector<uint8_t>& header, std::vector<uint8_t>& payload, uint32_t milliseconds) {
    header.assign(kFrameHeaderSize, 0);
    if (!PrepareRead() || !ReadStream(header.data(), kFrameHeaderSize, milliseconds)) {
        return false;
    }
    payload.assign(Le32(header.data() + 16), 0);
    return payload.empty() || ReadStream(payload.data(), static_cast<uint32_t>(payload.size()), milliseconds);
}

bool SimHost::AbortPipe() {
    platform::Event event(platform::EventReset::Auto, false);
    platform::Overlapped overlapped(event);
    uint8_t endpoint = kStreamEndpoint;
    return port_.IoControl(stream_, platform::fx3_ioctl::kAbortPipe, &endpoint, 1, nullptr, 0, &overlapped).ok;
}

}  // namespace ovilux::simtest
