// DeviceNotification.h - device-change messages for the application's notification window:
// a camera's interface arriving or going is posted as Windows posts WM_DEVICECHANGE.
//
// A registered window receives message 0x0219 with wParam 0x8000 (arrival) or 0x8004 (removal
// complete) and lParam the address of a DeviceInterfaceBroadcast, laid out as Windows'
// DEV_BROADCAST_DEVICEINTERFACE_A (device type 5, the interface class and the interface path).
// Records stay readable until kBroadcastRecords later device-change messages. On Windows the
// system sends its own messages for the FX3 driver's interfaces and the library sends the
// simulated bus's the same way (Windows refuses to post them); the library's message windows
// queue them with their posted messages. Elsewhere the simulated bus and the libusb port post
// them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/DriverPort.h"
#include "platform/MessageWindow.h"

namespace ovilux::platform {

constexpr uint32_t kDeviceChangeMessage = 0x0219;
constexpr uintptr_t kDeviceArrival = 0x8000;
constexpr uintptr_t kDeviceRemoveComplete = 0x8004;
constexpr uint32_t kDeviceTypeInterface = 5;
constexpr size_t kBroadcastNameBytes = 260;
constexpr size_t kBroadcastRecords = 64;

struct DeviceInterfaceBroadcast {
    uint32_t size;        // the bytes up to and including the name's terminator
    uint32_t deviceType;  // kDeviceTypeInterface
    uint32_t reserved;
    InterfaceGuid classGuid;
    char name[kBroadcastNameBytes];
};
static_assert(offsetof(DeviceInterfaceBroadcast, name) == 28, "the name follows the class as in Windows' record");

// Keeps one window registered for the interfaces of one class while it lives.
class DeviceNotificationRegistration {
public:
    DeviceNotificationRegistration() = default;
    ~DeviceNotificationRegistration();
    DeviceNotificationRegistration(const DeviceNotificationRegistration&) = delete;
    DeviceNotificationRegistration& operator=(const DeviceNotificationRegistration&) = delete;

    // Registers window (replacing an earlier registration). False for a null window or when
    // the system refuses; the library's own messages (simulated bus, libusb) then still arrive
    // when the window was at least recorded, which Registered() tells.
    bool Register(WindowHandle window, const InterfaceGuid& guid);
    void Unregister();
    bool Registered() const { return id_ != 0; }

private:
    uint64_t id_ = 0;
    void* system_ = nullptr;  // the system's registration, where there is one
};

// Announces an arrival or a removal of the interface path to every window registered for guid.
void PostDeviceChange(bool arrival, const InterfaceGuid& guid, const std::string& path);

// Copies a device-change record lent for one call (Windows' DEV_BROADCAST_HDR and what follows
// it) into the ring of kept records; the copy's name is empty unless it names an interface.
const DeviceInterfaceBroadcast* KeepDeviceBroadcast(const void* record);

// Hands one device-change message to a window: posted where the system lets it be (POSIX);
// on Windows, which refuses to post a message whose lParam is a pointer, sent with a time limit.
void DeliverDeviceChange(WindowHandle window, uintptr_t kind, const DeviceInterfaceBroadcast* record);

// The system's side of a registration: RegisterDeviceNotificationA on Windows, libusb's
// hot-plug watch on Linux. Returns the system's registration (null when none); ok tells
// whether the system accepted.
void* RegisterSystemDeviceNotification(WindowHandle window, const InterfaceGuid& guid, bool& ok);
void UnregisterSystemDeviceNotification(void* registration);

}  // namespace ovilux::platform
