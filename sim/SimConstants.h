// SimConstants.h - the sizes, addresses, timings and status codes of the simulated M03 camera,
// in one place.
#pragma once

#include <chrono>
#include <cstdint>

namespace ovilux::sim {

using SimClock = std::chrono::steady_clock;

enum class SimSpeed { Fast, Realtime };

// USB identity and the bus.
constexpr uint16_t kVendorId = 0x04B4;
constexpr uint16_t kM03ProductId = 0x3030;
constexpr int32_t kPortCount = 32;
constexpr uint8_t kFx3InterfaceGuid[16] = {0xC5, 0x84, 0x81, 0x32, 0xE6, 0x93, 0xB7, 0x49,
                                           0x94, 0xB8, 0x2A, 0xDA, 0x13, 0xAA, 0xBB, 0x39};
// Interface paths keep the driver's lower-case form; the instance part names the port.
constexpr const char* kPathFormat =
    "\\\\?\\usb#vid_%04x&pid_%04x#7&15e8a3c2&0&%u#{328184c5-93e6-49b7-94b8-2ada13aabb39}";
constexpr uint32_t kSuperSpeedCode = 4;

// Driver request blocks.
constexpr uint32_t kTransferHeaderSize = 38;
constexpr uint8_t kStreamEndpoint = 0x81;
constexpr uint8_t kDirectStreamEndpoint = 0x83;  // the FX3-direct camera's frames, without headers
constexpr uint8_t kControlEndpoint = 0x00;

// USB and NT status words the driver writes into a transfer header.
constexpr uint32_t kNtSuccess = 0;
constexpr uint32_t kNtUnsuccessful = 0xC0000001;
constexpr uint32_t kNtCancelled = 0xC0000120;
constexpr uint32_t kNtIoTimeout = 0xC00000B5;
constexpr uint32_t kNtDeviceNotConnected = 0xC000009D;
constexpr uint32_t kUsbdSuccess = 0;
constexpr uint32_t kUsbdStall = 0xC0000004;
constexpr uint32_t kUsbdCancelled = 0xC0010000;
constexpr uint32_t kUsbdTimeout = 0xC0006000;
constexpr uint32_t kUsbdDeviceGone = 0xC0007000;

// Firmware vendor requests.
constexpr uint8_t kRequestTypeHostToDevice = 0x40;
constexpr uint8_t kRequestTypeDeviceToHost = 0xC0;
constexpr uint8_t kRequestTypeHostToEndpoint = 0x42;
constexpr uint8_t kRequestI2cWrite = 0x30;
constexpr uint8_t kRequestI2cRead = 0x31;
constexpr uint8_t kRequestSetTransferWidth = 0x3C;
constexpr uint8_t kRequestGetTransferWidth = 0x3D;
constexpr uint8_t kRequestWriteSensorWord = 0x3E;
constexpr uint8_t kRequestReadSensorWord = 0x3F;
constexpr uint8_t kRequestDeviceInfo = 0xB0;
constexpr uint8_t kRequestControllerInfo = 0xB1;
constexpr uint8_t kRequestResetStream = 0xC0;
constexpr uint8_t kRequestPrepareRead = 0xC2;
constexpr uint8_t kRequestReadyState = 0xC3;
constexpr uint8_t kRequestEndpointCommand = 0xCC;
constexpr uint8_t kRequestWriteTimingRegister = 0xD0;
constexpr uint8_t kRequestReadTimingRegister = 0xD1;
constexpr uint32_t kBridgeMaxBytes = 64;
constexpr uint32_t kInfoBlockSize = 64;
constexpr uint32_t kInfoVersionOffset = 24;
constexpr uint16_t kFirmwareVersion = 0x1100;

// Two-wire bus addresses (8-bit form, write address; the read address sets bit 0).
constexpr uint8_t kFpgaBusAddress = 0x40;
constexpr uint8_t kAuxBusAddress = 0x5A;
constexpr uint8_t kSensorBusAddress = 0x90;
constexpr uint8_t kSromBusAddress = 0xA2;
// What register 0 of another product's image sensor reads.
constexpr uint16_t kProductSensorIdentification = 0x2601;
// The window registers of the FX3-direct camera's sensor (first and last column and row): its
// firmware frames the picture the sensor reads out, as there is no FPGA to do it.
constexpr uint16_t kDirectSensorFirstRow = 0x3002;
constexpr uint16_t kDirectSensorFirstColumn = 0x3004;
constexpr uint16_t kDirectSensorLastRow = 0x3006;
constexpr uint16_t kDirectSensorLastColumn = 0x3008;

// The SROM: a serial EEPROM with two-byte addresses and page writes.
constexpr uint32_t kSromSize = 8192;
constexpr uint32_t kSromPageSize = 32;
constexpr auto kSromWriteCycle = std::chrono::milliseconds(14);

// FPGA registers.
constexpr uint8_t kFpgaFrameCounter = 8;
constexpr uint8_t kFpgaIdLow = 0x10;
constexpr uint8_t kFpgaIdHigh = 0x11;
constexpr uint8_t kFpgaTriggerEnable = 36;
constexpr uint8_t kFpgaPixelWidth = 60;
constexpr uint8_t kFpgaHeightLow = 64;
constexpr uint8_t kFpgaHeightHigh = 65;
constexpr uint8_t kFpgaWidthLow = 68;
constexpr uint8_t kFpgaWidthHigh = 69;
constexpr uint8_t kFpgaResetPulse = 108;
constexpr uint8_t kFpgaAutoIris = 144;
constexpr uint8_t kFpgaSerialReset = 129;
// The frame registers of the products whose FPGA keeps them elsewhere.
constexpr uint8_t kFpgaOwnHeightLow = 154;
constexpr uint8_t kFpgaOwnWidthLow = 156;
constexpr uint8_t kFpgaOwnPixelWidth = 0xA3;
constexpr uint8_t kSerialResetPulse = 0x01;
constexpr uint8_t kSerialVideoReady = 0x02;
constexpr uint16_t kFpgaIdentification = 0x0103;
constexpr uint8_t kFpgaPixelWidth16 = 2;

// Image sensor registers (8-bit addresses, 16-bit values).
constexpr uint8_t kSensorChipVersion = 0x00;
constexpr uint8_t kSensorRowStart = 0x01;
constexpr uint8_t kSensorColumnStart = 0x02;
constexpr uint8_t kSensorRowSize = 0x03;
constexpr uint8_t kSensorColumnSize = 0x04;
constexpr uint8_t kSensorHorizontalBlank = 0x05;
constexpr uint8_t kSensorVerticalBlank = 0x06;
constexpr uint8_t kSensorShutterUpper = 0x08;
constexpr uint8_t kSensorShutterWidth = 0x09;
constexpr uint8_t kSensorReset = 0x0D;
constexpr uint8_t kSensorPllControl = 0x10;
constexpr uint8_t kSensorPllConfig1 = 0x11;
constexpr uint8_t kSensorPllConfig2 = 0x12;
constexpr uint8_t kSensorReadMode1 = 0x1E;
constexpr uint8_t kSensorReadMode2 = 0x20;
constexpr uint8_t kSensorRowAddressMode = 0x22;
constexpr uint8_t kSensorColumnAddressMode = 0x23;
constexpr uint8_t kSensorGreen1Gain = 0x2B;
constexpr uint8_t kSensorBlueGain = 0x2C;
constexpr uint8_t kSensorRedGain = 0x2D;
constexpr uint8_t kSensorGreen2Gain = 0x2E;
constexpr uint8_t kSensorGlobalGain = 0x35;
constexpr uint8_t kSensorChipVersionAlt = 0xFD;
constexpr uint16_t kSensorChipVersionValue = 0x1801;
constexpr uint16_t kSensorChipVersionAltValue = 0x00E2;
constexpr uint16_t kSensorResetBit = 0x0001;
constexpr uint16_t kSensorPllInUse = 0x0003;  // powered and selected
constexpr uint16_t kSensorSnapshotBit = 0x0100;
constexpr uint16_t kSensorMirrorRowsBit = 0x8000;
constexpr uint16_t kSensorMirrorColumnsBit = 0x4000;
constexpr double kSensorInputClockHz = 24e6;

// The pixel array, blanking and border rows and columns included; the first active pixel sits
// at row 52, column 16, and is red. Even rows hold red and green, odd rows green and blue.
constexpr int32_t kArrayWidth = 2752;
constexpr int32_t kArrayHeight = 2004;
constexpr int32_t kActiveRowOrigin = 52;
constexpr int32_t kActiveColumnOrigin = 16;
constexpr int32_t kActiveWidth = 2592;
constexpr int32_t kActiveHeight = 1944;
constexpr uint16_t kSampleMax = 4095;
// Pixel clocks each row costs beyond its output columns, by column binning 1x to 4x.
constexpr uint32_t kLineOverhead[4] = {956, 1555, 2222, 2888};
// The shortest frame the engine schedules, whatever the registers say.
constexpr auto kMinimumFramePeriod = std::chrono::microseconds(50);

// Exposure and gain: samples equal the scene's levels at this exposure and gain.
constexpr double kReferenceExposureSeconds = 0.0666;
constexpr double kReferenceGain = 2.0;
constexpr double kMaximumMultiplier = 64.0;
constexpr uint32_t kNoiseVariants = 4;
constexpr int32_t kNoiseAmplitude = 4;

// The frame stream on the bulk endpoint.
constexpr uint32_t kFrameHeaderSize = 64;
constexpr uint32_t kFrameHeaderMagic = 0x4658564F;  // "OVXF"
constexpr uint32_t kFrameQueueDepth = 2;
constexpr uint32_t kMovingPartSize = 64;
constexpr uint32_t kMovingPartStep = 12;

}  // namespace ovilux::sim
