// UsbConstants.h - every size, timeout, request code and bus address of the USB transport,
// in one place so that the waits and limits the transport lives by can be read at a glance.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ovilux::usb {

// --- Device table -----------------------------------------------------------------------
// The table every process of the library shares, and the lock that serialises its writers.
constexpr const char* kDeviceTableName = "UX-MemMap";
// Kernel object names share one namespace on Windows, so the lock cannot reuse the table's name.
constexpr const char* kDeviceTableLockSuffix = "-Lock";
constexpr int32_t kMaxDevices = 32;
constexpr size_t kDevicePathBytes = 260;  // NUL included
constexpr size_t kDeviceRecordBytes = 268;
constexpr size_t kDeviceTableBytes = 8584;
constexpr size_t kRecordsOffset = 4;
constexpr size_t kRecordCountOffset = 8580;
// The interface enumeration's detail buffer: size field plus the path.
constexpr size_t kInterfaceDetailBytes = 1000;
constexpr size_t kInterfaceDetailHeaderBytes = 4;
// Where a USB interface path \\?\usb#vid_xxxx&pid_yyyy#... holds its ids.
constexpr size_t kVendorIdColumn = 12;
constexpr size_t kProductIdColumn = 21;

// --- Driver request blocks ---------------------------------------------------------------
constexpr size_t kTransferHeaderBytes = 38;
constexpr size_t kControlDataBytes = 64;
constexpr size_t kControlBlockBytes = kTransferHeaderBytes + kControlDataBytes;  // 102
constexpr uint32_t kMaxTransferBytes = 0x4000000;                                 // 64 MiB
constexpr size_t kTransferBufferBytes = kMaxTransferBytes + kTransferHeaderBytes;

// --- Endpoints -------------------------------------------------------------------------
constexpr uint8_t kControlEndpoint = 0x00;
constexpr uint8_t kFrameEndpoint = 0x81;        // headers and payloads
constexpr uint8_t kDirectFrameEndpoint = 0x83;  // the FX3-direct camera's frames

// --- Timeouts (milliseconds) -------------------------------------------------------------
constexpr uint32_t kControlTimeoutMs = 3000;          // written into every control block
constexpr uint32_t kBufferedTransferWaitMs = 3000;    // a buffered bulk transfer's limit
constexpr uint32_t kAbortGraceMs = 50;                // for an aborted request to complete
constexpr uint32_t kDirectTransferLongWaitMs = 5000;  // the FX3-direct camera's frame read
constexpr uint32_t kFrameHeaderTimeoutMs = 100;       // one frame-header attempt
constexpr uint32_t kFrameResetSettleMs = 10;          // after a reset pulse between attempts
constexpr uint32_t kSromWriteMs = 14;                 // the configuration memory's write time
constexpr uint32_t kSromAddressSettleMs = 10;         // between addressing and reading it

// --- Frame reads -----------------------------------------------------------------------
constexpr size_t kFrameHeaderBytes = 64;
constexpr size_t kFramePayloadCountOffset = 16;
constexpr size_t kFrameCountOffset = 32;
constexpr uint32_t kPayloadChunkBytes = 0x80000;  // 512 KiB per direct transfer
constexpr int kFrameHeaderAttempts = 30;

// --- Vendor requests ---------------------------------------------------------------------
namespace request_type {
constexpr uint8_t kVendorOut = 0x40;          // vendor, host to device, device
constexpr uint8_t kVendorIn = 0xC0;           // vendor, device to host, device
constexpr uint8_t kVendorOutEndpoint = 0x42;  // vendor, host to device, endpoint
}  // namespace request_type

namespace vendor_request {
constexpr uint8_t kI2cWrite = 0x30;
constexpr uint8_t kI2cRead = 0x31;
constexpr uint8_t kSetTransferWidth = 0x3C;
constexpr uint8_t kGetTransferWidth = 0x3D;
constexpr uint8_t kWriteSensorWord = 0x3E;
constexpr uint8_t kReadSensorWord = 0x3F;
constexpr uint8_t kGetDeviceInfo = 0xB0;
constexpr uint8_t kGetControllerInfo = 0xB1;
constexpr uint8_t kResetStream = 0xC0;
constexpr uint8_t kPrepareRead = 0xC2;
constexpr uint8_t kGetReadyState = 0xC3;
constexpr uint8_t kEndpointCommand = 0xCC;
constexpr uint8_t kWriteTimingRegister = 0xD0;
constexpr uint8_t kReadTimingRegister = 0xD1;
}  // namespace vendor_request

// --- Two-wire bus addresses (8-bit form: 7-bit address shifted left, bit 0 the read flag) --
constexpr uint8_t kI2cReadFlag = 0x01;
constexpr uint8_t kFpgaBusAddress = 0x40;
constexpr uint8_t kAuxBusAddress = 0x5A;
constexpr uint8_t kSromBusAddress = 0xA2;
constexpr uint32_t kMaxI2cBytes = 64;

// --- FPGA registers the transport itself touches ------------------------------------------
constexpr uint8_t kFpgaRegisterWordLow = 0x10;
constexpr uint8_t kFpgaRegisterWordHigh = 0x11;
constexpr uint8_t kFpgaFrameResetRegister = 108;

// --- Device speed ------------------------------------------------------------------------
constexpr uint32_t kSuperSpeedCode = 4;

}  // namespace ovilux::usb
