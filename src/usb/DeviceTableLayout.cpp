// DeviceTableLayout.cpp - encoding and decoding of the shared device table.
#include "usb/DeviceTableLayout.h"

#include <algorithm>
#include <cstring>

#include "usb/ByteOrder.h"

namespace ovilux::usb {

namespace off = device_record_offset;

namespace {

uint8_t* RecordAt(uint8_t* table, size_t row) { return table + kRecordsOffset + row * kDeviceRecordBytes; }
const uint8_t* RecordAt(const uint8_t* table, size_t row) {
    return table + kRecordsOffset + row * kDeviceRecordBytes;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

void EncodeDeviceTable(const DeviceTableImage& table, uint8_t* out) {
    PutLe32(out, static_cast<uint32_t>(table.attachCount));
    for (size_t row = 0; row < table.records.size(); ++row) {
        const DeviceRecord& record = table.records[row];
        uint8_t* at = RecordAt(out, row);
        PutLe16(at + off::kVendorId, record.vendorId);
        PutLe16(at + off::kProductId, record.productId);
        PutLe32(at + off::kDeviceNumber, static_cast<uint32_t>(record.deviceNumber));
        std::memcpy(at + off::kDevicePath, record.devicePath, kDevicePathBytes);
    }
    PutLe32(out + kRecordCountOffset, static_cast<uint32_t>(table.recordCount));
}

DeviceTableImage DecodeDeviceTable(const uint8_t* in) {
    DeviceTableImage table;
    table.attachCount = std::max<int32_t>(0, static_cast<int32_t>(GetLe32(in)));
    for (size_t row = 0; row < table.records.size(); ++row) {
        DeviceRecord& record = table.records[row];
        const uint8_t* at = RecordAt(in, row);
        record.vendorId = GetLe16(at + off::kVendorId);
        record.productId = GetLe16(at + off::kProductId);
        record.deviceNumber = static_cast<int32_t>(GetLe32(at + off::kDeviceNumber));
        std::memcpy(record.devicePath, at + off::kDevicePath, kDevicePathBytes);
        record.devicePath[kDevicePathBytes - 1] = '\0';
    }
    table.recordCount = std::clamp<int32_t>(static_cast<int32_t>(GetLe32(in + kRecordCountOffset)), 0, kMaxDevices);
    return table;
}

void ClearDeviceRows(DeviceTableImage& table) {
    table.records.fill(DeviceRecord{});
    table.recordCount = 0;
}

bool FitsDeviceRecord(const std::string& path) {
    static_assert(kInterfaceDetailHeaderBytes + kDevicePathBytes <= kInterfaceDetailBytes);
    return !path.empty() && path.size() < kDevicePathBytes && path.find('\0') == std::string::npos;
}

uint16_t ParseInterfaceId(const std::string& path, size_t column) {
    uint16_t id = 0;
    for (size_t i = column; i < path.size() && i < column + 4; ++i) {
        const int digit = HexDigit(path[i]);
        if (digit < 0) {
            break;
        }
        id = static_cast<uint16_t>(id * 16 + digit);
    }
    return id;
}

}  // namespace ovilux::usb
