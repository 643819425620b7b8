// Fx3DriverPort.h - the driver port on Windows: the FX3 driver's device interfaces through
// SetupAPI, CreateFile and DeviceIoControl.
#pragma once

#include "platform/DriverPort.h"

namespace ovilux::platform {

class Fx3DriverPort final : public DriverPort {
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
