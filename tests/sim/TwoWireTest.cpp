// The devices on the camera's two-wire bus: image sensor, FPGA, auxiliary device and SROM, with
// the bus faults that silence a device or refuse SROM writes.
#include <gtest/gtest.h>

#include <thread>

#include "SimFixture.h"

using namespace ovilux::simtest;

namespace {

class TwoWire : public SimCameraTest {};

TEST_F(TwoWire, SensorRegistersRoundTripAndTheChipIdentifiesItself) {
    EXPECT_EQ(host_->SensorRead(0x00), 0x1801);
    const auto alt = host_->SensorRead(0xFD);
    ASSERT_TRUE(alt);
    EXPECT_EQ(*alt & 0x07E0, 0x00E0);
    EXPECT_TRUE(host_->SensorWrite(0x00, 0x1234));
    EXPECT_EQ(host_->SensorRead(0x00), 0x1801) << "the chip version is read-only";
    ASSERT_TRUE(host_->SensorWrite(0x09, 0x0707));
    EXPECT_EQ(host_->SensorRead(0x09), 0x0707);
    EXPECT_EQ(camera_->SensorRegister(0x09), 0x0707);
    // Consecutive registers in one write, and a read that runs on.
    ASSERT_TRUE(host_->I2cWrite(0x90, {0x2B, 0x00, 0x11, 0x00, 0x22, 0x00, 0x33}));
    ASSERT_TRUE(host_->I2cWrite(0x90, {0x2B}));
    EXPECT_EQ(host_->I2cRead(0x91, 6), (std::vector<uint8_t>{0x00, 0x11, 0x00, 0x22, 0x00, 0x33}));
    // The global gain sets all four colour gains.
    ASSERT_TRUE(host_->SensorWrite(0x35, 0x0018));
    for (uint8_t gain : {0x2B, 0x2C, 0x2D, 0x2E}) {
        EXPECT_EQ(host_->SensorRead(gain), 0x0018);
    }
}

TEST_F(TwoWire, SensorSoftResetRestoresPowerOnValues) {
    ASSERT_TRUE(host_->SensorWrite(0x09, 100));
    ASSERT_TRUE(host_->SensorWrite(0x0D, 1));
    EXPECT_EQ(host_->SensorRead(0x09), 1943);
    EXPECT_EQ(host_->SensorRead(0x0D), 1);
    ASSERT_TRUE(host_->SensorWrite(0x0D, 0));
    EXPECT_EQ(host_->SensorRead(0x00), 0x1801);
}

TEST_F(TwoWire, FpgaWritesAWordAndReadsBackTwoBytesWithTheValueSecond) {
    ASSERT_TRUE(host_->I2cWrite(0x40, {7, 0, 0x5C}));
    EXPECT_EQ(camera_->FpgaRegister(7), 0x5C);
    ASSERT_TRUE(host_->I2cWrite(0x40, {7}));
    EXPECT_EQ(host_->I2cRead(0x41, 2), (std::vector<uint8_t>{0, 0x5C}));
    // Power-on frame size and pixel width, and the identification word.
    EXPECT_EQ(host_->FpgaRead(60), 1);
    EXPECT_EQ(*host_->FpgaRead(68) | (*host_->FpgaRead(69) << 8), 2592);
    EXPECT_EQ(*host_->FpgaRead(64) | (*host_->FpgaRead(65) << 8), 1944);
    const uint8_t low = *host_->FpgaRead(0x10);
    const uint8_t high = *host_->FpgaRead(0x11);
    EXPECT_EQ(high * 256 + low, 0x0103);
    // Read-only: identification and frame counter.
    ASSERT_TRUE(host_->FpgaWrite(0x10, 0xEE));
    ASSERT_TRUE(host_->FpgaWrite(8, 77));
    EXPECT_EQ(host_->FpgaRead(0x10), low);
    EXPECT_EQ(host_->FpgaRead(8), 0);
    // Every other register is plain storage.
    for (uint8_t reg : {36, 104, 144, 200}) {
        ASSERT_TRUE(host_->FpgaWrite(reg, static_cast<uint8_t>(reg + 1)));
        EXPECT_EQ(host_->FpgaRead(reg), reg + 1);
    }
}

TEST_F(TwoWire, AuxiliaryDeviceStoresBytes) {
    ASSERT_TRUE(host_->I2cWrite(0x5A, {0x21, 0x9A}));
    ASSERT_TRUE(host_->I2cWrite(0x5A, {0x21}));
    EXPECT_EQ(host_->I2cRead(0x5B, 1), std::vector<uint8_t>{0x9A});
}

TEST_F(TwoWire, SromRefusesAccessDuringItsWriteCycle) {
    ASSERT_TRUE(host_->SromWrite(0x1080, 0x5A));
    EXPECT_FALSE(host_->SromRead(0x1080)) << "busy for 14 ms after a write";
    std::this_thread::sleep_for(std::chrono::milliseconds(16));
    EXPECT_EQ(host_->SromRead(0x1080), 0x5A);
    ASSERT_TRUE(host_->SromWrite(0x1FFF, 0xA5));  // the last byte of 8 KiB
    std::this_thread::sleep_for(std::chrono::milliseconds(16));
    EXPECT_EQ(host_->SromRead(0x1FFF), 0xA5);
    EXPECT_EQ(host_->SromRead(0x0000), 0xFF) << "erased bytes read 0xFF";
    EXPECT_EQ(camera_->SromByte(0x1080), 0x5A);
}

TEST_F(TwoWire, SromWritesFailOnDemandWhileReadsGoOn) {
    camera_->SetFailSromWrites(true);
    EXPECT_FALSE(host_->SromWrite(0x0100, 0x42));
    EXPECT_EQ(host_->SromRead(0x0100), 0xFF);
    camera_->SetFailSromWrites(false);
    EXPECT_TRUE(host_->SromWrite(0x0100, 0x42));
    std::this_thread::sleep_for(std::chrono::milliseconds(16));
    EXPECT_EQ(host_->SromRead(0x0100), 0x42);
}

TEST_F(TwoWire, AnAddressWithoutADeviceOrASilencedDeviceFails) {
    EXPECT_FALSE(host_->I2cWrite(0x70, {1}));
    EXPECT_FALSE(host_->I2cRead(0x71, 1));
    camera_->SetSilent(0x40, true);
    EXPECT_FALSE(host_->FpgaWrite(7, 1));
    EXPECT_FALSE(host_->FpgaRead(7));
    EXPECT_TRUE(host_->SensorRead(0x00)) << "other devices still answer";
    camera_->SetSilent(0x41, false);  // either form of the address names the device
    EXPECT_TRUE(host_->FpgaWrite(7, 1));
}

}  // namespace
