// The M03 sensor model's register programming, checked against a register-file controller.
#include <gtest/gtest.h>

#include <utility>

#include "camera/RegisterFileController.h"
#include "camera/sensors/SensorFactory.h"
#include "camera/sensors/SensorS03.h"

using ovilux::camera::CSensorBase;
using ovilux::camera::CSensorS03;
using ovilux::camera::SensorParameters;
using ovilux::test::RegisterFileController;
using Write = RegisterFileController::Write;

namespace {

class SensorS03Test : public ::testing::Test {
protected:
    RegisterFileController bus;
    CSensorS03 sensor{&bus, 0x90};

    SensorParameters Info() {
        SensorParameters info{};
        EXPECT_EQ(sensor.CopyInfo(&info), 1);
        return info;
    }
};

}  // namespace

TEST_F(SensorS03Test, FullWindowProgramsSizeBlankingAndLineLength) {
    bus.sensor[0x22] = 0xFFFF;  // bits outside the bin and skip fields must survive
    ASSERT_EQ(sensor.SetWindow(0, 2592, 0, 1944, 0), 1);
    const std::vector<Write> expected = {{0x01, 52},   {0x02, 16}, {0x03, 1945},   {0x04, 2593},
                                         {0x05, 0},    {0x06, 25}, {0x22, 0xFFC8}, {0x23, 0x0000}};
    EXPECT_EQ(bus.sensorWrites, expected);
    const SensorParameters info = Info();
    EXPECT_EQ(info.lineLength, 3548);
    EXPECT_EQ(info.frameLines, 1944 + 25);
    EXPECT_EQ(info.width, 2592);
    EXPECT_EQ(info.height, 1944);
}

TEST_F(SensorS03Test, BinningGivesOutputSizeAndAddressModes) {
    ASSERT_EQ(sensor.SetWindow(0, 2592, 0, 1944, 2), 1);
    SensorParameters info = Info();
    EXPECT_EQ(info.width, 648);
    EXPECT_EQ(info.height, 486);
    EXPECT_EQ(info.lineLength, 3536);
    EXPECT_EQ(info.subsample, 2);
    EXPECT_EQ(bus.sensor[0x22], 0x0033);
    EXPECT_EQ(bus.sensor[0x23], 0x0033);

    ASSERT_EQ(sensor.SetWindow(8, 1280, 16, 960, 1), 1);
    info = Info();
    EXPECT_EQ(info.width, 640);
    EXPECT_EQ(info.height, 480);
    EXPECT_EQ(info.lineLength, 640 + 1555);
    EXPECT_EQ(bus.sensor[0x22], 0x0011) << "the previous 4 x 4 bits are cleared first";
    EXPECT_EQ(bus.sensor[0x01], 16 + 52) << "origin in full-resolution pixels";
}

TEST_F(SensorS03Test, RejectedWindowsWriteNothingAndKeepTheBlock) {
    ASSERT_EQ(sensor.SetWindow(0, 1280, 0, 960, 0), 1);
    bus.sensorWrites.clear();
    const int32_t rejected[][5] = {
        {0, 304, 0, 8, 0},      // width below 320
        {2, 320, 0, 8, 1},      // x not a multiple of 4 when binning 2 x 2
        {0, 320, 0, 6, 0},      // height below 8
        {-2, 320, 0, 8, 0},     // negative origin
        {2288, 320, 0, 8, 0},   // beyond the right edge
        {0, 320, 1940, 8, 0},   // beyond the bottom edge
        {0, 336, 0, 8, 1},      // width not a multiple of 32
        {0, 320, 0, 8, 3},      // no such subsample mode
        {0, 330, 0, 8, 0},      // width not a multiple of 16
    };
    for (const auto& w : rejected) {
        EXPECT_EQ(sensor.SetWindow(w[0], w[1], w[2], w[3], w[4]), 0) << w[0] << "," << w[1] << "," << w[2];
    }
    EXPECT_TRUE(bus.sensorWrites.empty());
    EXPECT_EQ(Info().width, 1280);
}

TEST_F(SensorS03Test, ExposureBecomesShutterLinesAndClampsToTheMaximum) {
    ASSERT_EQ(sensor.SetWindow(0, 2592, 0, 1944, 0), 1);
    ASSERT_EQ(sensor.SetRealExposure(666), 1);
    EXPECT_EQ(bus.sensor[0x09], 1802);
    int32_t value = 0;
    sensor.GetRealExposure(&value);
    EXPECT_EQ(value, 666);

    ASSERT_EQ(sensor.SetRealExposure(20000), 1);
    EXPECT_EQ(bus.sensor[0x09], 32767);
    sensor.GetRealExposure(&value);
    EXPECT_EQ(value, 12110);
    sensor.GetShutterLines(&value);
    EXPECT_EQ(value, 32767);

    ASSERT_EQ(sensor.SetRealExposure(1), 1);
    EXPECT_EQ(bus.sensor[0x09], 2) << "0.1 ms is 2.7 lines of 36.958 us";
    EXPECT_EQ(sensor.SetRealExposure(0), 0);
}

TEST_F(SensorS03Test, TheAdvertisedMaximumIsTheLongestExposureTheWindowTakes) {
    // 32767 rows of 2592 + 956 pixel clocks, and of 640 + 956: shorter rows reach less.
    for (const auto& [width, longest] : {std::pair{2592, 12110}, std::pair{640, 5447}}) {
        ASSERT_EQ(sensor.SetWindow(0, width, 0, 480, 0), 1);
        int32_t maximum = 0;
        ASSERT_EQ(sensor.GetRealExposureMax(&maximum), 1);
        EXPECT_EQ(maximum, longest) << width;
        ASSERT_EQ(sensor.SetRealExposure(maximum), 1);
        int32_t taken = 0;
        sensor.GetRealExposure(&taken);
        EXPECT_EQ(taken, maximum) << "the longest exposure advertised is taken as it is";
        EXPECT_LE(bus.sensor[0x09], 32767);
    }
}

TEST_F(SensorS03Test, FailedRegisterWriteStoresNoExposure) {
    ASSERT_EQ(sensor.SetWindow(0, 2592, 0, 1944, 0), 1);
    bus.FailEverything();
    EXPECT_EQ(sensor.SetRealExposure(5000), 0);
    int32_t value = 0;
    sensor.GetRealExposure(&value);
    EXPECT_EQ(value, 666);
    EXPECT_EQ(sensor.SetWindow(0, 1280, 0, 960, 0), 0);
    EXPECT_EQ(sensor.Probe(), 0);
}

TEST_F(SensorS03Test, TriggerMirrorAndGainRegisters) {
    bus.sensor[0x1E] = 0x4006;
    ASSERT_EQ(sensor.SetTriggerMode(1), 1);
    EXPECT_EQ(bus.sensor[0x1E], 0x4316);
    ASSERT_EQ(sensor.SetTriggerMode(2), 1);
    EXPECT_EQ(bus.sensor[0x1E], 0x4006) << "any mode but 1 clears the trigger bits";
    int32_t mode = 0;
    sensor.GetTriggerMode(&mode);
    EXPECT_EQ(mode, 2);

    ASSERT_EQ(sensor.SetWindow(0, 1280, 100, 960, 0), 1);
    bus.sensor[0x20] = 0x0040;
    ASSERT_EQ(sensor.SetMirrorV(1), 1);
    EXPECT_EQ(bus.sensor[0x01], 148);
    EXPECT_EQ(bus.sensor[0x20], 0x8040);
    ASSERT_EQ(sensor.SetMirrorH(1), 1);
    EXPECT_EQ(bus.sensor[0x20], 0xC040);
    ASSERT_EQ(sensor.SetMirrorV(0), 1);
    EXPECT_EQ(bus.sensor[0x01], 152);
    EXPECT_EQ(bus.sensor[0x20], 0x4040);
    EXPECT_EQ(sensor.GetMirrorV(), 0);
    EXPECT_EQ(sensor.GetMirrorH(), 1);

    sensor.SetGlobalGain(40);
    sensor.SetColorGainRed(1);
    sensor.SetColorGainGreen1(2);
    sensor.SetColorGainBlue(3);
    sensor.SetColorGainGreen2(4);
    EXPECT_EQ(bus.sensor[0x35], 40);
    EXPECT_EQ(bus.sensor[0x2D], 1);
    EXPECT_EQ(bus.sensor[0x2B], 2);
    EXPECT_EQ(bus.sensor[0x2C], 3);
    EXPECT_EQ(bus.sensor[0x2E], 4);
}

TEST_F(SensorS03Test, InitializeWritesTheFixedSetOnlyForItsSilicon) {
    bus.sensor[0x00] = 0x1801;
    bus.sensor[0xFD] = 0x00E0;
    ASSERT_EQ(sensor.Initialize(), 1);
    std::vector<uint8_t> regs = bus.WrittenRegisters();
    ASSERT_GE(regs.size(), 5u + 16u + 8u);
    EXPECT_EQ(std::vector<uint8_t>(regs.begin(), regs.begin() + 5),
              (std::vector<uint8_t>{0x0D, 0x10, 0x11, 0x12, 0x10}));
    EXPECT_EQ(bus.sensor[0x10], 0x0053);
    EXPECT_EQ(bus.sensor[0x7F], 0xFF00);
    EXPECT_EQ(bus.sensor[0x5C], 0x0750);
    EXPECT_EQ(regs.size(), 5u + 16u + 8u);
    EXPECT_EQ(Info().lineLength, 3548) << "Initialize ends on the default window";

    RegisterFileController otherBus;
    otherBus.sensor[0x00] = 0x1801;
    otherBus.sensor[0xFD] = 0x0020;  // another revision
    CSensorS03 other(&otherBus, 0x90);
    ASSERT_EQ(other.Initialize(), 1);
    EXPECT_EQ(otherBus.sensorWrites.size(), 5u + 8u);
    EXPECT_EQ(otherBus.sensor.count(0x7F), 0u);
}

TEST_F(SensorS03Test, ParameterBlockAndUnsupportedOperations) {
    const SensorParameters info = Info();
    EXPECT_EQ(info.fullWidth, 2592);
    EXPECT_EQ(info.fullHeight, 1944);
    EXPECT_EQ(info.shutterLines.maximum, 32767);
    EXPECT_EQ(info.exposure.defaultValue, 666);
    EXPECT_EQ(info.globalGain.current, 16);
    EXPECT_EQ(info.bitsPerSample, 12);
    EXPECT_EQ(info.pixelClockKHz, 96000);
    EXPECT_EQ(sensor.CopyInfo(nullptr), 0);
    EXPECT_EQ(sensor.IsExposureSecondsSupported(), 0);
    double seconds = 5.0;
    EXPECT_EQ(sensor.GetExposureSeconds(&seconds), 0);
    EXPECT_EQ(sensor.SetExposureSeconds(0.5), 0);
    EXPECT_EQ(sensor.GetSwitch80(), -1);
    EXPECT_EQ(sensor.SetClockMode(1), 0);
    int32_t clock = -1;
    EXPECT_EQ(sensor.GetClockMode(&clock), 1);
    EXPECT_EQ(clock, 0);
    EXPECT_EQ(sensor.IsMirrorHSupported(), 1);
    EXPECT_EQ(sensor.IsLevelSupported(), 0);
    int32_t level = 7;
    EXPECT_EQ(sensor.GetLevel(&level), 0);
}

TEST_F(SensorS03Test, ProbeNeedsANonZeroChipVersion) {
    EXPECT_EQ(sensor.Probe(), 0);
    bus.sensor[0x00] = 0x1801;
    EXPECT_EQ(sensor.Probe(), 1);
}

TEST(SensorBase, ResetPulseUsesTheVariantsRegister) {
    RegisterFileController bus;
    CSensorS03 sensor(&bus, 0x90);
    ASSERT_EQ(sensor.ResetPulse(), 1);
    EXPECT_EQ(bus.fpgaWrites, (std::vector<Write>{{108, 1}, {108, 0}}));
    bus.fpgaWrites.clear();
    sensor.SetVariant(115);
    sensor.ResetPulse();
    EXPECT_EQ(bus.fpgaWrites, (std::vector<Write>{{150, 1}, {150, 0}}));
    CSensorS03 detached(nullptr, 0x90);
    EXPECT_EQ(detached.ResetPulse(), 0);
}

TEST(SensorFactory, TableRowsAndVariantCodes) {
    using namespace ovilux::camera;
    RegisterFileController bus;
    auto m03 = CreateSensorModel(0x3030, 0, &bus);
    ASSERT_NE(m03, nullptr);
    EXPECT_EQ(m03->BusAddress(), 0x90);
    EXPECT_NE(dynamic_cast<CSensorS03*>(m03.get()), nullptr);

    const SensorModelRow cooled = FindSensorModelRow(0x3220);
    EXPECT_EQ(cooled.modelNumber, 28);
    EXPECT_EQ(cooled.busAddress, 0x6C);
    EXPECT_EQ(cooled.variant, 105);
    const SensorModelRow unknown = FindSensorModelRow(0x1234);
    EXPECT_EQ(unknown.modelNumber, 1);
    EXPECT_EQ(unknown.busAddress, 0x20);
    EXPECT_TRUE(NeedsIdentificationWord(0x3020));
    EXPECT_FALSE(NeedsIdentificationWord(0x3030));
    auto cooledModel = CreateSensorModel(0x3220, 0, &bus);
    ASSERT_NE(cooledModel, nullptr);
    EXPECT_EQ(cooledModel->Variant(), 105) << "the factory hands the row's variant code on";
}
