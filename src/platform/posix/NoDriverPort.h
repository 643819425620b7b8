// NoDriverPort.h - the driver port where libusb cannot start (no usbfs): it finds no device
// and refuses every request as made on an invalid handle.
#pragma once

#include "platform/DriverPort.h"

namespace ovilux::platform {

class NoDriverPort final : public DriverPort {
public:
    std::vector<std::string> EnumerateInterfaces(const InterfaceGuid& guid) override;
    DeviceHandle Open(const char* path, bool overlapped) override;
    bool Close(DeviceHandle handle) override;
    IoResult IoControl(DeviceHandle handle, uint32_t code, void* in, uint32_t inLength, void* out, uint32_t outLength,
                       Overlapped* overlapped) override;
    IoResult GetOverlappedResult(DeviceHandle handle, Overlapped& overlapped, bool wait) override;
    bool CancelIo(DeviceHandle handle, Overlapped* overlapped) override;
};

}  // namespace ovilux::platform
