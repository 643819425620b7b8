// DeviceTable.h - a process's copy of the device table and its upkeep against the table in
// named shared memory, which every process of the library writes under one lock.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/CriticalSection.h"
#include "platform/SharedMemory.h"
#include "usb/DeviceTableLayout.h"

namespace ovilux::usb {

// An interface that enumeration found present, with the ids its path carries.
struct InterfaceCandidate {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string path;
};

// Rows are only ever appended, never removed or reordered while the shared block exists, so
// the shared block is always the fullest table there is. Every change therefore reads it
// first, under the lock, applies itself and writes it back: no process can wipe rows that
// another added. Lookups read this process's copy, refreshed by every change.
//
// Each user of the table (a CFx3Api) holds its own view of the shared block; the copy is
// shared by all users in the process. When the shared block or its lock cannot be made, an
// operation works on the copy alone and leaves the shared block as it is.
class DeviceTable {
public:
    // The process's table of this name; it lives as long as the process.
    static DeviceTable& ForName(const char* name);

    DeviceTable(const DeviceTable&) = delete;
    DeviceTable& operator=(const DeviceTable&) = delete;

    // Opens view on the shared block and counts one more user. The first user anywhere
    // starts from an empty table.
    void Attach(platform::SharedMemory& view);
    // Counts one user less and closes view.
    void Detach(platform::SharedMemory& view);
    // Appends the interfaces that have no row yet (as many as fit); returns the record count.
    int32_t Register(const std::vector<InterfaceCandidate>& found, platform::SharedMemory& view);

    // A row of the copy; an empty record for a row outside 0..31.
    DeviceRecord Record(int32_t row) const;
    int32_t RecordCount() const;
    int32_t AttachCount() const;

private:
    explicit DeviceTable(const std::string& name);
    friend struct DeviceTableRegistry;

    // Brings the copy up to the shared block when the lock is held and view is open.
    bool BeginChange(platform::SharedMemory& view, bool openView);
    void EndChange(platform::SharedMemory& view, bool shared);
    void AddInterface(const InterfaceCandidate& candidate);

    const std::string name_;
    platform::InterProcessMutex lock_;
    mutable platform::CriticalSection copyLock_;
    DeviceTableImage copy_;
};

}  // namespace ovilux::usb
