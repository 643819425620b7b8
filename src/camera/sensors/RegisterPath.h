// RegisterPath.h - how a sensor model's register reads and writes reach the camera: 16-bit
// addresses with 16-bit or 8-bit values on the two-wire bus, the FPGA's register file, or
// nothing at all.
#pragma once

#include <cstdint>

#include "platform/CriticalSection.h"
#include "usb/ControllerBase.h"

namespace ovilux::camera {

enum class RegisterPathKind {
    None,              // the model has no register path of its own
    Address16Value16,  // one four-byte write: address high, low, value high, low
    Address16Value8,   // one three-byte write; a read is a two-byte address write, then one byte
    Fpga,              // the FPGA's 8-bit registers
};

class CRegisterPath {
public:
    // The controller is not owned. The lock is held for each whole transfer so an address
    // write and its read cannot be split by another thread's traffic. With readyWait, every
    // write waits until the sensor answers again (at most kReadyWaitMs).
    CRegisterPath(usb::CControllerBase* controller, uint8_t busAddress, RegisterPathKind kind,
                  platform::CriticalSection& lock, bool readyWait = false);

    // 0 when the path cannot carry the address or value, or the camera refused the transfer.
    int32_t Write(uint32_t address, uint32_t value);
    int32_t Read(uint32_t address, int32_t* value);

    RegisterPathKind Kind() const { return kind_; }

    static constexpr uint32_t kReadyWaitMs = 200;
    static constexpr uint32_t kTimeoutMs = 3000;

private:
    bool Fits(uint32_t address, uint32_t value) const;
    int32_t WaitReady(uint32_t address);

    usb::CControllerBase* controller_;
    const uint8_t busAddress_;
    const RegisterPathKind kind_;
    platform::CriticalSection& lock_;
    const bool readyWait_;
};

}  // namespace ovilux::camera
