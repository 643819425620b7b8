// DeviceTable.cpp - merging the process copy with the shared device table under its lock.
#include "usb/DeviceTable.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/DebugOutput.h"
#include "platform/Event.h"
#include "platform/TextCodec.h"

namespace ovilux::usb {

struct DeviceTableRegistry {
    std::mutex mutex;
    std::map<std::string, std::unique_ptr<DeviceTable>> tables;

    DeviceTable& Get(const std::string& name) {
        std::lock_guard<std::mutex> lock(mutex);
        std::unique_ptr<DeviceTable>& table = tables[name];
        if (!table) {
            table.reset(new DeviceTable(name));
        }
        return *table;
    }
};

DeviceTable& DeviceTable::ForName(const char* name) {
    // Never destroyed: objects with static storage may still detach while the process exits.
    static DeviceTableRegistry* const registry = new DeviceTableRegistry;
    return registry->Get(name != nullptr ? name : kDeviceTableName);
}

DeviceTable::DeviceTable(const std::string& name)
    : name_(name), lock_((name + kDeviceTableLockSuffix).c_str()) {}

bool DeviceTable::BeginChange(platform::SharedMemory& view, bool openView) {
    // Holders only copy the table's few kilobytes, and a holder that dies releases the lock,
    // so the wait is short without a limit.
    if (!lock_.IsValid() || !lock_.Lock(platform::kWaitInfinite)) {
        return false;
    }
    if (openView) {
        view.Open(name_.c_str(), kDeviceTableBytes);
    }
    if (!view.IsOpen()) {
        lock_.Unlock();
        return false;
    }
    copy_ = DecodeDeviceTable(static_cast<const uint8_t*>(view.Data()));
    return true;
}

void DeviceTable::EndChange(platform::SharedMemory& view, bool shared) {
    if (shared) {
        EncodeDeviceTable(copy_, static_cast<uint8_t*>(view.Data()));
        lock_.Unlock();
    }
}

void DeviceTable::Attach(platform::SharedMemory& view) {
    platform::CriticalSectionLock copyLock(copyLock_);
    const bool shared = BeginChange(view, true);
    if (copy_.attachCount == 0) {
        ClearDeviceRows(copy_);
    }
    copy_.attachCount += 1;
    EndChange(view, shared);
}

void DeviceTable::Detach(platform::SharedMemory& view) {
    platform::CriticalSectionLock copyLock(copyLock_);
    const bool shared = BeginChange(view, false);
    if (copy_.attachCount > 0) {
        copy_.attachCount -= 1;
    }
    EndChange(view, shared);
    view.Close();
}

int32_t DeviceTable::Register(const std::vector<InterfaceCandidate>& found, platform::SharedMemory& view) {
    platform::CriticalSectionLock copyLock(copyLock_);
    const bool shared = BeginChange(view, false);
    for (const InterfaceCandidate& candidate : found) {
        AddInterface(candidate);
    }
    EndChange(view, shared);
    return copy_.recordCount;
}

void DeviceTable::AddInterface(const InterfaceCandidate& candidate) {
    if (!FitsDeviceRecord(candidate.path)) {
        return;
    }
    int32_t sameModel = 0;
    for (const DeviceRecord& record : copy_.records) {
        if (record.vendorId == candidate.vendorId && record.productId == candidate.productId) {
            if (candidate.path == record.devicePath) {
                return;  // already registered
            }
            ++sameModel;
        }
    }
    if (copy_.recordCount >= kMaxDevices) {
        return;
    }
    DeviceRecord& row = copy_.records[static_cast<size_t>(copy_.recordCount)];
    if (row.productId != 0) {
        // Rows past the count are empty unless a writer died between filling a row and counting it.
        platform::DebugOutput(platform::EncodeCodePage932("ここには入ってこないはず\r\n").c_str());
    }
    row = DeviceRecord{};
    row.vendorId = candidate.vendorId;
    row.productId = candidate.productId;
    row.deviceNumber = sameModel;
    std::memcpy(row.devicePath, candidate.path.c_str(), candidate.path.size() + 1);
    copy_.recordCount += 1;
}

DeviceRecord DeviceTable::Record(int32_t row) const {
    if (row < 0 || row >= kMaxDevices) {
        return DeviceRecord{};
    }
    platform::CriticalSectionLock copyLock(copyLock_);
    return copy_.records[static_cast<size_t>(row)];
}

int32_t DeviceTable::RecordCount() const {
    platform::CriticalSectionLock copyLock(copyLock_);
    return copy_.recordCount;
}

int32_t DeviceTable::AttachCount() const {
    platform::CriticalSectionLock copyLock(copyLock_);
    return copy_.attachCount;
}

}  // namespace ovilux::usb
