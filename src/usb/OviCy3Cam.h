// OviCy3Cam.h - the camera controller: the firmware's vendor requests (FPGA, two-wire bridge,
// timing and sensor-word registers, configuration memory, information blocks), the streaming
// handle, the 64 MiB transfer buffer and the frame reads.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/CriticalSection.h"
#include "usb/ControllerBase.h"
#include "usb/FrameDescriptor.h"
#include "usb/Fx3Api.h"

namespace ovilux::usb {

// Every operation returns non-zero for success and never throws. Register operations open
// and close a handle of their own and may be called from any thread; the composite FPGA,
// auxiliary and SROM operations hold the register lock, so that no other of them comes between
// the address a read writes and the read itself. The stream operations (OpenStream, CloseStream, the frame
// reads, AbortPipe) belong to one thread at a time.
class COviCy3Cam : public CFx3Api, public CControllerBase {
public:
    // On the port the library talks through.
    explicit COviCy3Cam(const platform::InterfaceGuid* guid = nullptr)
        : COviCy3Cam(platform::ActiveDriverPort(), guid, nullptr) {}
    // tableName null: the device table every process shares.
    COviCy3Cam(platform::DriverPort& port, const platform::InterfaceGuid* guid, const char* tableName);
    ~COviCy3Cam() override;

    // --- Stream and transfers ---
    // True when the streaming handle is open, opening it (overlapped, on deviceRow) if need be.
    virtual int32_t OpenStream();
    // The 64-byte frame header from the frame endpoint, up to 30 attempts each followed by a
    // reset pulse; timeout is not used (every attempt has its own short limit).
    virtual int32_t ReadFrameHeader(FrameDescriptor* descriptor, uint32_t timeout);
    // The payload the last header announced, in 512 KiB transfers of timeout ms each.
    virtual int32_t ReadFramePayload(FrameDescriptor* descriptor, uint32_t timeout);
    // A header-less frame of expectedBytes from the direct endpoint; timeout is not used.
    virtual int32_t ReadFrameDirect(FrameDescriptor* descriptor, uint32_t timeout);
    virtual int32_t CloseStream();

    // --- Configuration memory, endpoint command, transfer width ---
    virtual int32_t SromWrite(uint16_t address, uint8_t value);
    virtual int32_t SromRead(uint16_t address, uint8_t* value);
    virtual int32_t SendEndpointCommand();
    virtual int32_t SetTransferWidth(uint8_t mode);
    virtual int32_t GetTransferWidth(uint8_t* mode);

    // --- Bulk transfers ---
    // Reads up to length bytes through the driver's buffer; dataLength gets what arrived.
    virtual int32_t BufferedTransfer(platform::DeviceHandle handle, uint8_t* data, uint32_t length, uint8_t endpoint,
                                     uint32_t* dataLength);
    // One direct transfer after PrepareRead, waited for up to 5000 ms.
    virtual int32_t DirectTransferLong(platform::DeviceHandle handle, uint8_t* data, uint32_t length, uint8_t endpoint,
                                       uint32_t* bytes);
    // One direct transfer waited for up to timeout ms, then aborted; bytes that came while it was
    // being aborted still count.
    virtual int32_t DirectTransfer(platform::DeviceHandle handle, uint8_t* data, uint32_t length, uint8_t endpoint,
                                   uint32_t* bytes, uint32_t timeout);

    // --- CControllerBase ---
    void Release() override;
    int32_t SelectDevice(int32_t row) override;
    int32_t ReadRegisterWord(uint16_t* word) override;
    int32_t I2cWrite(uint8_t busAddress, const uint8_t* data, uint32_t count, uint32_t timeout) override;
    int32_t I2cRead(uint8_t busAddress, uint8_t* data, uint32_t count, uint32_t timeout) override;
    int32_t WriteTimingRegister(uint16_t address, uint32_t value, uint32_t timeout) override;
    int32_t ReadTimingRegister(uint16_t address, int32_t* value, uint32_t timeout) override;
    int32_t WriteSensorWord(uint16_t address, uint16_t value, uint32_t timeout) override;
    int32_t ReadSensorWord(uint16_t address, int32_t* value, uint32_t timeout) override;
    int32_t FpgaWrite(uint8_t reg, uint8_t value) override;
    int32_t FpgaRead(uint8_t reg, uint8_t* value) override;
    int32_t AuxWrite(uint8_t reg, uint8_t value) override;
    int32_t AuxRead(uint8_t reg, uint8_t* value) override;
    int32_t AbortPipe() override;

    // --- Not virtual ---
    // Allocates the transfer buffer when missing, then resets the USB port.
    int32_t InitializeTransferBuffer();
    // The 64-byte information blocks; the caller's record changes only on a full reply.
    int32_t GetDeviceInfo(uint8_t* info);
    int32_t GetControllerInfo(uint8_t* info);
    int32_t GetReadyState(uint8_t* state);
    int32_t ResetStream();
    // On handle, or on the streaming handle when handle is null.
    int32_t PrepareRead(platform::DeviceHandle handle);

    platform::DeviceHandle StreamHandle() const { return streamHandle_; }
    bool HasTransferBuffer() const { return transferBuffer_ != nullptr; }

private:
    // Waits for a started direct transfer, ending it when the wait runs out. A transfer that
    // completes while it is being aborted keeps what it read: those bytes came over the cable,
    // and dropping them would lose a frame the camera sent (a header dropped so is followed by
    // the next frame's header, and the frame it began is accounted nowhere).
    int32_t AwaitDirectTransfer(platform::DeviceHandle handle, uint8_t endpoint, std::unique_ptr<DirectRequest> request,
                                uint32_t timeout, uint32_t* bytes);
    // The data part of a control block's reply.
    struct ControlReply {
        uint8_t data[kControlDataBytes] = {};
        uint32_t length = 0;
    };

    // One control block on handle, or on a fresh handle of deviceRow when handle is null.
    int32_t VendorRequest(platform::DeviceHandle handle, uint8_t requestType, uint8_t request, uint16_t value,
                          uint16_t index, const uint8_t* data, size_t count, ControlReply* reply);
    int32_t ReadInfoBlock(uint8_t request, uint8_t* info);
    // Opens the stream when it is closed; opened tells whether this call did.
    bool EnsureStream(bool* opened);
    int32_t FailClosing(bool opened);

    platform::DeviceHandle streamHandle_ = nullptr;
    // Held from selection to release: where opening claims the camera (libusb), the claim then
    // lasts the session's life, and no other process takes the camera between two requests.
    platform::DeviceHandle selectionHandle_ = nullptr;
    std::unique_ptr<uint8_t[]> transferBuffer_;
    platform::CriticalSection registerLock_;
};

}  // namespace ovilux::usb
