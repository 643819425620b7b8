// SystemDeviceNotification.cpp - the FX3 driver's interface arrivals and removals, sent by
// Windows itself to a window registered with RegisterDeviceNotificationA, and the library's own
// sent the same way.
#include <windows.h>
#include <dbt.h>

#include <cstring>

#include "platform/DeviceNotification.h"

namespace ovilux::platform {

void* RegisterSystemDeviceNotification(WindowHandle window, const InterfaceGuid& guid, bool& ok) {
    DEV_BROADCAST_DEVICEINTERFACE_A filter{};
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    std::memcpy(&filter.dbcc_classguid, guid.bytes, sizeof(guid.bytes));
    HDEVNOTIFY registration =
        RegisterDeviceNotificationA(static_cast<HWND>(window), &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    ok = registration != nullptr;
    return registration;
}

void UnregisterSystemDeviceNotification(void* registration) {
    if (registration != nullptr) {
        UnregisterDeviceNotification(static_cast<HDEVNOTIFY>(registration));
    }
}

// Windows refuses to post a device-change message (its lParam is a pointer), so it is sent as
// the system sends it, with a limit: a window whose thread does not answer costs a second, not
// a hang.
void DeliverDeviceChange(WindowHandle window, uintptr_t kind, const DeviceInterfaceBroadcast* record) {
    constexpr UINT kAnswerLimitMs = 1000;
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(static_cast<HWND>(window), WM_DEVICECHANGE, kind, reinterpret_cast<LPARAM>(record),
                        SMTO_NORMAL | SMTO_ABORTIFHUNG, kAnswerLimitMs, &answer);
}

}  // namespace ovilux::platform
