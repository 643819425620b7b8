// DeviceTableLayout.h - the device table's bytes in shared memory (attach count, 32 records of
// 268 bytes, record count; little-endian) and the ids an interface path carries. No I/O.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "usb/UsbConstants.h"

namespace ovilux::usb {

// One row: a camera interface that was seen present when the row was added.
struct DeviceRecord {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    // How many rows of the same vendor and product existed when this one was added.
    int32_t deviceNumber = -1;
    char devicePath[kDevicePathBytes] = {};
};

// The whole table as one process holds it.
struct DeviceTableImage {
    int32_t attachCount = 0;
    std::array<DeviceRecord, kMaxDevices> records{};
    int32_t recordCount = 0;
};

namespace device_record_offset {
constexpr size_t kVendorId = 0;
constexpr size_t kProductId = 2;
constexpr size_t kDeviceNumber = 4;
constexpr size_t kDevicePath = 8;
}  // namespace device_record_offset

// Writes the kDeviceTableBytes bytes of the table.
void EncodeDeviceTable(const DeviceTableImage& table, uint8_t* out);

// Reads a table that any process may have written. A writer that died halfway must not leave
// a table that breaks its readers, so what cannot be right is mended: a record count outside
// 0..32 is clamped, every path ends at its last byte at the latest, and a negative attach
// count reads as 0.
DeviceTableImage DecodeDeviceTable(const uint8_t* in);

// Empties every row and the record count; the attach count stays.
void ClearDeviceRows(DeviceTableImage& table);

// True when a path can be kept in a record whole: with its terminator it fits the record (and
// so the enumeration's detail buffer too), and no NUL inside it would make it open as another,
// shorter path. A path that does not fit is never cut: the cut path would name another device.
bool FitsDeviceRecord(const std::string& path);

// The vendor or product id written as hex digits (up to four) at a column of an interface
// path; 0 when the path is too short or holds no hex digit there.
uint16_t ParseInterfaceId(const std::string& path, size_t column);

}  // namespace ovilux::usb
