// The FX3 firmware's vendor requests on endpoint 0, through control blocks built here.
#include <gtest/gtest.h>

#include "SimFixture.h"

namespace platform = ovilux::platform;
using namespace ovilux::simtest;

namespace {

class Firmware : public SimCameraTest {};

TEST_F(Firmware, RepliesReportTheHeaderPlusTheDataBytes) {
    ControlReply reply = host_->Control(kHostToDevice, 0x30, 3, 0x40, {60, 0, 1});
    ASSERT_TRUE(reply.result.ok);
    EXPECT_EQ(reply.result.bytes, 38u + 3);
    EXPECT_EQ(reply.NtStatus(), 0u);
    EXPECT_EQ(reply.UsbdStatus(), 0u);
    reply = host_->Control(kDeviceToHost, 0x31, 2, 0x41);
    ASSERT_TRUE(reply.result.ok);
    EXPECT_EQ(reply.result.bytes, 38u + 2);
    reply = host_->Control(kDeviceToHost, 0xB0, 0, 0);
    EXPECT_EQ(reply.result.bytes, 38u + 64);
    reply = host_->Control(kHostToEndpoint, 0xC2, 0, 0);
    EXPECT_EQ(reply.result.bytes, 38u);
    reply = host_->Control(kHostToDevice, 0xC0, 0, 0);
    EXPECT_EQ(reply.result.bytes, 38u);
    // The block comes back with the request's own header fields.
    EXPECT_EQ(reply.block[1], 0xC0);
    EXPECT_EQ(Le16(&reply.block[6]), 102u);
}

TEST_F(Firmware, InformationBlocksCarryTheVersionWord) {
    for (uint8_t request : {0xB0, 0xB1}) {
        const ControlReply reply = host_->Control(kDeviceToHost, request, 0, 0);
        ASSERT_TRUE(reply.result.ok);
        EXPECT_EQ(reply.result.bytes - 38, 64u);
        EXPECT_EQ(Le16(reply.Data() + 24), 0x1100);
    }
    const ControlReply device = host_->Control(kDeviceToHost, 0xB0, 0, 0);
    EXPECT_EQ(Le16(device.Data()), 0x04B4);
    EXPECT_EQ(Le16(device.Data() + 2), 0x3030);
}

TEST_F(Firmware, UnknownRequestsAndWrongDirectionsStall) {
    for (const auto& [type, request] : std::vector<std::pair<uint8_t, uint8_t>>{
             {kDeviceToHost, 0x77}, {kHostToDevice, 0xB0}, {kHostToDevice, 0xC2}, {kDeviceToHost, 0x30},
             {kHostToEndpoint, 0xC0}, {0x41, 0xCC}}) {
        const ControlReply reply = host_->Control(type, request, 0, 0);
        EXPECT_FALSE(reply.result.ok) << std::hex << int(type) << " " << int(request);
        EXPECT_EQ(reply.result.error, platform::win32_error::kGenFailure);
        EXPECT_NE(reply.NtStatus(), 0u);
        EXPECT_NE(reply.UsbdStatus(), 0u);
    }
    EXPECT_TRUE(host_->Control(kHostToEndpoint, 0xCC, 0, 0).result.ok);
}

TEST_F(Firmware, TheTwoWireBridgeCarriesAtMost64Bytes) {
    std::vector<uint8_t> data(64);
    data[0] = 0x10;  // first auxiliary register
    for (size_t i = 1; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(i * 3);
    }
    EXPECT_TRUE(host_->I2cWrite(0x5A, data));
    EXPECT_FALSE(host_->Control(kHostToDevice, 0x30, 65, 0x5A, data).result.ok);
    ASSERT_TRUE(host_->I2cWrite(0x5A, {0x10}));
    EXPECT_FALSE(host_->Control(kDeviceToHost, 0x31, 65, 0x5B).result.ok);
    const auto back = host_->I2cRead(0x5B, 63);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, std::vector<uint8_t>(data.begin() + 1, data.end()));
    // A count larger than the data the block carries is refused too.
    std::vector<uint8_t> block = ControlBlock(kHostToDevice, 0x30, 3, 0x5A, {0x10, 1, 2});
    block[34] = 2;  // buffer length
    EXPECT_FALSE(platform::ActiveDriverPort()
                     .IoControl(host_->ControlHandle(), platform::fx3_ioctl::kControlTransfer, block.data(), 102,
                                block.data(), 102, nullptr)
                     .ok);
    // Reads go to the read address, writes to the write address.
    EXPECT_FALSE(host_->Control(kHostToDevice, 0x30, 1, 0x5B, {0x10}).result.ok);
    EXPECT_FALSE(host_->Control(kDeviceToHost, 0x31, 1, 0x5A).result.ok);
}

TEST_F(Firmware, ReadyStateTransferWidthSensorWordsAndTimingRegisters) {
    ControlReply reply = host_->Control(kDeviceToHost, 0xC3, 0, 0);
    ASSERT_TRUE(reply.result.ok);
    EXPECT_EQ(reply.result.bytes, 38u + 64);
    EXPECT_EQ(reply.Data()[0], 1);

    ASSERT_TRUE(host_->Control(kHostToDevice, 0x3C, 0, 0, {1}).result.ok);
    reply = host_->Control(kDeviceToHost, 0x3D, 0, 0);
    ASSERT_TRUE(reply.result.ok);
    EXPECT_EQ(reply.result.bytes, 38u + 1);
    EXPECT_EQ(reply.Data()[0], 1);

    // Sensor words: address high, address low, value high, value low; read back little-endian.
    ASSERT_TRUE(host_->Control(kHostToDevice, 0x3E, 0, 0, {0x00, 0x09, 0x12, 0x34}).result.ok);
    EXPECT_EQ(host_->SensorRead(0x09), 0x1234);
    reply = host_->Control(kDeviceToHost, 0x3F, 0x09, 0);
    ASSERT_TRUE(reply.result.ok);
    EXPECT_EQ(reply.result.bytes, 38u + 2);
    EXPECT_EQ(Le16(reply.Data()), 0x1234);
    EXPECT_FALSE(host_->Control(kHostToDevice, 0x3E, 0, 0, {0x01, 0x09, 0, 0}).result.ok) << "no 16-bit addresses";

    // Timing registers: bit 15 of the address travels in the value field on writes.
    ASSERT_TRUE(host_->Control(kHostToDevice, 0xD0, 1, 5, {0xDD, 0xCC, 0xBB, 0xAA}).result.ok);
    ASSERT_TRUE(host_->Control(kHostToDevice, 0xD0, 0, 5, {0x11, 0x22, 0x33, 0x44}).result.ok);
    reply = host_->Control(kDeviceToHost, 0xD1, 0, 0x8005);
    ASSERT_TRUE(reply.result.ok);
    EXPECT_EQ(reply.result.bytes, 38u + 64);
    EXPECT_EQ(Le32(reply.Data()), 0xAABBCCDDu);
    reply = host_->Control(kDeviceToHost, 0xD1, 0, 5);
    EXPECT_EQ(Le32(reply.Data()), 0x44332211u);
    reply = host_->Control(kDeviceToHost, 0xD1, 0, 6);
    EXPECT_EQ(Le32(reply.Data()), 0u);
}

}  // namespace
