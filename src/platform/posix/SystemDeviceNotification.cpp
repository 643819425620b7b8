// SystemDeviceNotification.cpp - on Linux the system's device-change messages come from
// libusb's hot-plug watch, started for the first registered window. Simulated cameras post
// their own, and leave libusb unstarted.
#include "platform/DeviceNotification.h"
#include "platform/posix/LibusbDriverPort.h"

namespace ovilux::platform {

void* RegisterSystemDeviceNotification(WindowHandle /*window*/, const InterfaceGuid& /*guid*/, bool& ok) {
    ok = SimulatedDriverPortInstalled() || LibusbDriverPort::Instance().WatchArrivals();
    return nullptr;
}

// The watch serves every window registered now or later; nothing to undo per window.
void UnregisterSystemDeviceNotification(void* /*registration*/) {}

void DeliverDeviceChange(WindowHandle window, uintptr_t kind, const DeviceInterfaceBroadcast* record) {
    PostWindowMessage(window, kDeviceChangeMessage, kind, reinterpret_cast<intptr_t>(record));
}

}  // namespace ovilux::platform
