// DriverPort.h - the port through which the library reaches the FX3 USB driver: device-interface
// enumeration, opening interface paths, device I/O control with overlapped completion, cancel.
// Implementations: the real driver on Windows, the simulated camera bus, and "no driver".
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ovilux::platform {

class Event;

// A device-interface class GUID as the 16 bytes it has in memory.
struct InterfaceGuid {
    uint8_t bytes[16];
};

// The device-interface class the cameras' driver registers: {328184C5-93E6-49B7-94B8-2ADA13AABB39}.
constexpr InterfaceGuid kFx3DriverGuid = {
    {0xC5, 0x84, 0x81, 0x32, 0xE6, 0x93, 0xB7, 0x49, 0x94, 0xB8, 0x2A, 0xDA, 0x13, 0xAA, 0xBB, 0x39}};

// A handle on an opened interface path; null means none (the port never hands out
// INVALID_HANDLE_VALUE).
using DeviceHandle = void*;

// The Win32 error codes the port reports, with the meanings the library gives them.
namespace win32_error {
constexpr uint32_t kSuccess = 0;
constexpr uint32_t kFileNotFound = 2;
constexpr uint32_t kInvalidHandle = 6;
constexpr uint32_t kGenFailure = 31;
constexpr uint32_t kInvalidParameter = 87;
constexpr uint32_t kSemTimeout = 121;
constexpr uint32_t kOperationAborted = 995;
constexpr uint32_t kIoIncomplete = 996;
constexpr uint32_t kIoPending = 997;
constexpr uint32_t kDeviceNotConnected = 1167;
constexpr uint32_t kNoSystemResources = 1450;  // the system could not take the transfer on now
}  // namespace win32_error

// The FX3 driver's device I/O control codes (device type 0x22, any access).
namespace fx3_ioctl {
constexpr uint32_t kControlTransfer = 0x220020;   // buffered: transfer block in and out, endpoint 0
constexpr uint32_t kBufferedTransfer = 0x220024;  // buffered: transfer block in and out, bulk
constexpr uint32_t kResetPipe = 0x22002C;         // 1 byte in: endpoint address
constexpr uint32_t kResetParentPort = 0x220030;   // nothing in or out
constexpr uint32_t kAbortPipe = 0x220044;         // 1 byte in: endpoint address
constexpr uint32_t kDirectTransfer = 0x22004B;    // neither: 38-byte header in, caller's buffer out
constexpr uint32_t kDeviceSpeed = 0x22004C;       // 4 bytes in, 4 bytes out: speed code (4 SuperSpeed)
}  // namespace fx3_ioctl

// A request's completion record, as Win32's OVERLAPPED is. The caller owns it and the event
// it names, and must keep both alive until the request has completed (or been cancelled and
// then completed). The port sets the event when the request completes.
struct Overlapped {
    explicit Overlapped(Event& completion) : event(&completion) {}
    Event* event;
    // The Windows driver port keeps its OVERLAPPED here.
    alignas(8) unsigned char native[32] = {};
    // Other ports keep their record of the request in flight here.
    std::shared_ptr<void> pending;
};

// The outcome of a request, as DeviceIoControl and GetOverlappedResult report it.
struct IoResult {
    bool ok = false;
    uint32_t error = win32_error::kSuccess;  // meaningful when !ok; kIoPending: still running
    uint32_t bytes = 0;                      // bytes returned, when ok
};

class DriverPort {
public:
    virtual ~DriverPort() = default;

    // The paths of the present interfaces of the class, in the system's member order.
    virtual std::vector<std::string> EnumerateInterfaces(const InterfaceGuid& guid) = 0;
    // Opens a path for writing (shared); null when it does not open.
    virtual DeviceHandle Open(const char* path, bool overlapped) = 0;
    virtual bool Close(DeviceHandle handle) = 0;
    // DeviceIoControl. Without an Overlapped the call completes before it returns. With one,
    // ok=false and error=kIoPending mean the request runs on; its completion sets the event,
    // and GetOverlappedResult collects it. The input buffer is writable because the driver
    // writes its status into the header of a direct transfer.
    virtual IoResult IoControl(DeviceHandle handle, uint32_t code, void* in, uint32_t inLength, void* out,
                               uint32_t outLength, Overlapped* overlapped) = 0;
    // GetOverlappedResult: with wait=false a running request reports kIoIncomplete.
    virtual IoResult GetOverlappedResult(DeviceHandle handle, Overlapped& overlapped, bool wait) = 0;
    // CancelIoEx: cancels the request of overlapped, or every request of the handle when null.
    // A cancelled request still completes (with kOperationAborted) and sets its event.
    virtual bool CancelIo(DeviceHandle handle, Overlapped* overlapped) = 0;
    // Whether frames come at the camera's own pace. A port that makes each frame as it is asked
    // for (the simulated camera's fast mode) says no: a transfer thread at the highest priority
    // would read from it without pause and starve the threads that convert the frames.
    virtual bool PacesFrames() { return true; }
};

// The port the library talks through: the simulated bus when one is installed, otherwise the
// system's driver (the FX3 driver on Windows, libusb on Linux).
DriverPort& ActiveDriverPort();

// The simulated camera installs its bus here when it is switched on; null removes it. The port
// must stay alive for as long as any request made through it may run.
void InstallSimulatedDriverPort(DriverPort* port);
bool SimulatedDriverPortInstalled();

// The system's own port, whatever is installed: the FX3 driver on Windows, libusb on Linux.
DriverPort& SystemDriverPort();

}  // namespace ovilux::platform
