// DeviceNotification.cpp - the windows registered for device-change messages, and the records
// the posted messages point to.
#include "platform/DeviceNotification.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

namespace ovilux::platform {

namespace {

struct Registration {
    uint64_t id;
    WindowHandle window;
    InterfaceGuid guid;
};

struct Registry {
    std::mutex mutex;
    std::vector<Registration> windows;
    uint64_t nextId = 1;
    // Messages are posted, so their records must outlive the post: a ring the readers are
    // told about (DeviceNotification.h).
    DeviceInterfaceBroadcast records[kBroadcastRecords] = {};
    size_t nextRecord = 0;
};

// Never destroyed: a window may be registered while the process exits.
Registry& TheRegistry() {
    static Registry* const registry = new Registry();
    return *registry;
}

bool SameGuid(const InterfaceGuid& a, const InterfaceGuid& b) {
    return std::memcmp(a.bytes, b.bytes, sizeof(a.bytes)) == 0;
}

}  // namespace

DeviceNotificationRegistration::~DeviceNotificationRegistration() { Unregister(); }

bool DeviceNotificationRegistration::Register(WindowHandle window, const InterfaceGuid& guid) {
    Unregister();
    if (window == nullptr) {
        return false;
    }
    Registry& registry = TheRegistry();
    {
        std::lock_guard<std::mutex> lock(registry.mutex);
        id_ = registry.nextId++;
        registry.windows.push_back({id_, window, guid});
    }
    bool ok = false;
    system_ = RegisterSystemDeviceNotification(window, guid, ok);
    return ok;
}

void DeviceNotificationRegistration::Unregister() {
    if (id_ == 0) {
        return;
    }
    UnregisterSystemDeviceNotification(system_);
    system_ = nullptr;
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    const uint64_t id = id_;
    registry.windows.erase(std::remove_if(registry.windows.begin(), registry.windows.end(),
                                          [id](const Registration& entry) { return entry.id == id; }),
                           registry.windows.end());
    id_ = 0;
}

namespace {

DeviceInterfaceBroadcast* NextRecord(Registry& registry) {
    DeviceInterfaceBroadcast& record = registry.records[registry.nextRecord];
    registry.nextRecord = (registry.nextRecord + 1) % kBroadcastRecords;
    std::memset(&record, 0, sizeof(record));
    return &record;
}

void SetName(DeviceInterfaceBroadcast& record, const char* name, size_t length) {
    length = std::min(length, kBroadcastNameBytes - 1);
    std::memcpy(record.name, name, length);
    record.size = static_cast<uint32_t>(offsetof(DeviceInterfaceBroadcast, name) + length + 1);
}

}  // namespace

void PostDeviceChange(bool arrival, const InterfaceGuid& guid, const std::string& path) {
    Registry& registry = TheRegistry();
    std::vector<std::pair<WindowHandle, const DeviceInterfaceBroadcast*>> targets;
    {
        std::lock_guard<std::mutex> lock(registry.mutex);
        for (const Registration& entry : registry.windows) {
            if (!SameGuid(entry.guid, guid)) {
                continue;
            }
            DeviceInterfaceBroadcast* record = NextRecord(registry);
            SetName(*record, path.data(), path.size());
            record->deviceType = kDeviceTypeInterface;
            record->classGuid = guid;
            targets.emplace_back(entry.window, record);
        }
    }
    // Delivered outside the lock: a window's handler may call into the library.
    for (const auto& [window, record] : targets) {
        DeliverDeviceChange(window, arrival ? kDeviceArrival : kDeviceRemoveComplete, record);
    }
}

const DeviceInterfaceBroadcast* KeepDeviceBroadcast(const void* lent) {
    // The header every such record starts with: size, device type, reserved.
    uint32_t header[3] = {};
    std::memcpy(header, lent, sizeof(header));
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    DeviceInterfaceBroadcast* record = NextRecord(registry);
    record->deviceType = header[1];
    record->size = static_cast<uint32_t>(offsetof(DeviceInterfaceBroadcast, name) + 1);
    const size_t nameOffset = offsetof(DeviceInterfaceBroadcast, name);
    if (header[1] == kDeviceTypeInterface && header[0] > nameOffset) {
        const auto* bytes = static_cast<const unsigned char*>(lent);
        std::memcpy(&record->classGuid, bytes + offsetof(DeviceInterfaceBroadcast, classGuid), sizeof(InterfaceGuid));
        const char* name = reinterpret_cast<const char*>(bytes + nameOffset);
        const size_t most = std::min<size_t>(header[0] - nameOffset, kBroadcastNameBytes - 1);
        const void* end = std::memchr(name, '\0', most);
        SetName(*record, name, end != nullptr ? static_cast<size_t>(static_cast<const char*>(end) - name) : most);
    }
    return record;
}

}  // namespace ovilux::platform
