// RegisterPath.cpp - the bus bytes of each register path.
#include "camera/sensors/RegisterPath.h"

#include "platform/Clock.h"

namespace ovilux::camera {

CRegisterPath::CRegisterPath(usb::CControllerBase* controller, uint8_t busAddress, RegisterPathKind kind,
                             platform::CriticalSection& lock, bool readyWait)
    : controller_(controller), busAddress_(busAddress), kind_(kind), lock_(lock), readyWait_(readyWait) {}

bool CRegisterPath::Fits(uint32_t address, uint32_t value) const {
    // A register the path cannot address is refused rather than silently truncated onto
    // some other register.
    switch (kind_) {
        case RegisterPathKind::Address16Value16:
            return address <= 0xFFFF && value <= 0xFFFF;
        case RegisterPathKind::Address16Value8:
            return address <= 0xFFFF && value <= 0xFF;
        case RegisterPathKind::Fpga:
            return address <= 0xFF && value <= 0xFF;
        case RegisterPathKind::None:
            break;
    }
    return false;
}

int32_t CRegisterPath::Write(uint32_t address, uint32_t value) {
    if (controller_ == nullptr || !Fits(address, value)) {
        return 0;
    }
    platform::CriticalSectionLock hold(lock_);
    const uint8_t bytes[4] = {static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address),
                              static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
    int32_t ok = 0;
    switch (kind_) {
        case RegisterPathKind::Address16Value16:
            ok = controller_->I2cWrite(busAddress_, bytes, 4, kTimeoutMs);
            break;
        case RegisterPathKind::Address16Value8: {
            const uint8_t three[3] = {bytes[0], bytes[1], bytes[3]};
            ok = controller_->I2cWrite(busAddress_, three, 3, kTimeoutMs);
            break;
        }
        case RegisterPathKind::Fpga:
            ok = controller_->FpgaWrite(static_cast<uint8_t>(address), static_cast<uint8_t>(value));
            break;
        case RegisterPathKind::None:
            break;
    }
    if (!ok) {
        return 0;
    }
    return readyWait_ ? WaitReady(address) : 1;
}

int32_t CRegisterPath::Read(uint32_t address, int32_t* value) {
    if (controller_ == nullptr || value == nullptr || !Fits(address, 0)) {
        return 0;
    }
    platform::CriticalSectionLock hold(lock_);
    if (kind_ == RegisterPathKind::Fpga) {
        uint8_t byte = 0;
        if (!controller_->FpgaRead(static_cast<uint8_t>(address), &byte)) {
            return 0;
        }
        *value = byte;
        return 1;
    }
    const uint8_t addressBytes[2] = {static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address)};
    const uint32_t count = kind_ == RegisterPathKind::Address16Value16 ? 2 : 1;
    uint8_t bytes[2] = {0, 0};
    if (!controller_->I2cWrite(busAddress_, addressBytes, 2, kTimeoutMs) ||
        !controller_->I2cRead(busAddress_, bytes, count, kTimeoutMs)) {
        return 0;
    }
    *value = count == 2 ? bytes[0] * 256 + bytes[1] : bytes[0];
    return 1;
}

int32_t CRegisterPath::WaitReady(uint32_t address) {
    // The sensor does not answer while it takes a written setting in; it is ready again when
    // it answers a read of that register.
    const uint32_t start = platform::TimeGetTime();
    for (;;) {
        int32_t ignored = 0;
        if (Read(address, &ignored)) {
            return 1;
        }
        if (platform::ElapsedMs(start, platform::TimeGetTime()) >= kReadyWaitMs) {
            return 0;
        }
        platform::SleepMs(1);
    }
}

}  // namespace ovilux::camera
