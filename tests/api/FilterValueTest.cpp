// The filter-value family, the camera-info record and the register exports, on one simulated
// camera.
#include <cstring>

#include "api/SimulatedCameras.h"

namespace ovilux::test {
namespace {

class FilterValues : public SessionTest {
protected:
    void SetUp() override {
        OpenSession(1);
        PopAll(handle_);
    }
};

TEST_F(FilterValues, BayerGainRgbPacksRedGreenBlueBytes) {
    int32_t ok = 0;
    ASSERT_EQ(Ovilux_SetBayerGainRGB(handle_, 0x0A0B0C), 1);
    EXPECT_EQ(Ovilux_GetBayerGainRed(handle_, &ok), 0x0C);
    EXPECT_EQ(Ovilux_GetBayerGainGreen(handle_, &ok), 0x0B);
    EXPECT_EQ(Ovilux_GetBayerGainBlue(handle_, &ok), 0x0A);
    EXPECT_EQ(Ovilux_GetBayerGainRGB(handle_, &ok), 0x0A0B0C);
    EXPECT_EQ(ok, 1);
    // Gains above a byte come back as their low byte.
    ASSERT_EQ(Ovilux_SetBayerGainRed(handle_, 300), 1);
    EXPECT_EQ(Ovilux_GetBayerGainRGB(handle_, &ok), 0x0A0B00 | (300 & 0xFF));
    EXPECT_EQ(Ovilux_GetLastError(handle_), 0);
}

TEST_F(FilterValues, ChannelNumbersOneToFourAreRefusedAndOthersIgnored) {
    int32_t ok = 7;
    EXPECT_EQ(Ovilux_GetChannelGain(handle_, 1, &ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_BAD_ARGUMENT);
    ok = 7;
    EXPECT_EQ(Ovilux_GetChannelGain(handle_, 5, &ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), 0) << "channel 5 records nothing";
    EXPECT_EQ(Ovilux_SetChannelOffset(handle_, 4, 1), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_BAD_ARGUMENT);
    EXPECT_EQ(Ovilux_SetChannelGain(handle_, 0, 1), 0);
    EXPECT_EQ(Ovilux_GetChannelOffset(handle_, -3, &ok), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), 0);
}

TEST_F(FilterValues, KeptSettingsAcceptTheirRangeAndKeepTheOldValueOtherwise) {
    struct Range {
        int32_t index, minimum, maximum;
    };
    const Range ranges[] = {{1, -255, 255}, {2, -127, 127}, {3, -360, 360}, {4, -255, 255}, {5, 0, 30},
                            {7, 0, 400},    {8, 0, 400},    {9, 0, 400},    {11, 0, 200},   {12, 0, 3},
                            {19, 0, 2},     {20, 0, 255},   {21, 0, 255},   {22, 0, 255},   {23, 0, 255},
                            {24, -255, 255}, {25, -255, 255}, {26, -255, 255}, {27, -255, 255}, {28, 0, 1},
                            {102, 0, 1},    {103, 0, 1}};
    for (const Range& r : ranges) {
        SCOPED_TRACE(r.index);
        EXPECT_EQ(Ovilux_SetFilterValue(handle_, r.index, r.minimum), 1);
        EXPECT_EQ(Ovilux_SetFilterValue(handle_, r.index, r.maximum), 1);
        EXPECT_EQ(Ovilux_SetFilterValue(handle_, r.index, r.maximum + 1), 0);
        EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_BAD_ARGUMENT);
        EXPECT_EQ(Ovilux_SetFilterValue(handle_, r.index, r.minimum - 1), 0);
        EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_BAD_ARGUMENT);
        if (r.index != 28) {
            int32_t ok = 0;
            EXPECT_EQ(Ovilux_GetFilterValue(handle_, r.index, &ok), r.maximum);
            EXPECT_EQ(ok, 1);
        }
    }
    // The named form of index 1, at the edges the application sees.
    ASSERT_EQ(Ovilux_SetBrightness(handle_, 40), 1);
    EXPECT_EQ(Ovilux_SetBrightness(handle_, 256), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_BAD_ARGUMENT);
    int32_t ok = 0;
    EXPECT_EQ(Ovilux_GetBrightness(handle_, &ok), 40);
    EXPECT_EQ(Ovilux_SetBrightness(handle_, -255), 1);
    EXPECT_EQ(Ovilux_GetBrightness(handle_, &ok), -255);
    EXPECT_EQ(Ovilux_SetBayerGainAuto(handle_, 5), 1);
    EXPECT_EQ(Ovilux_GetBayerGainAuto(handle_, &ok), 1) << "stored as a flag";
}

TEST_F(FilterValues, UnknownIndicesAndIndicesWithoutAReading) {
    int32_t ok = 7;
    for (int32_t index : {0, 28, 29, 36, 37, 99, 107, -1}) {
        SCOPED_TRACE(index);
        ok = 7;
        EXPECT_EQ(Ovilux_GetFilterValue(handle_, index, &ok), 0);
        EXPECT_EQ(ok, 0);
        EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_BAD_ARGUMENT);
    }
    EXPECT_EQ(Ovilux_SetFilterValue(handle_, 101, 1), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_BAD_ARGUMENT);
    // This camera has no temperature reading, cooler, preset or black level.
    ok = 7;
    EXPECT_EQ(Ovilux_GetTemperature(handle_, &ok), -1);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_NOT_SUPPORTED);
    EXPECT_EQ(Ovilux_GetPeltier(handle_, &ok), -1);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_NOT_SUPPORTED);
    EXPECT_EQ(Ovilux_SetPeltier(handle_, 1), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_NOT_SUPPORTED);
    EXPECT_EQ(Ovilux_SetFilterValue(handle_, 105, 1), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_NOT_SUPPORTED);
    EXPECT_EQ(Ovilux_GetFilterValue(handle_, 106, &ok), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_NOT_SUPPORTED);
    ok = 7;
    EXPECT_EQ(Ovilux_GetTemperatureEx(handle_, &ok), 0.0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_NOT_SUPPORTED);
    EXPECT_EQ(Ovilux_SetExposureTimeEx(handle_, 0.01), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_NOT_SUPPORTED);
    EXPECT_EQ(Ovilux_GetExposureTimeEx(handle_, &ok), -1.0);
    EXPECT_EQ(ok, 0);
}

TEST_F(FilterValues, CameraGainsAreRangeCheckedAndSentAtOnce) {
    OviluxCameraInfo info{};
    info.size = sizeof info;
    ASSERT_EQ(Ovilux_GetCameraInfo(handle_, &info), 1);
    int32_t ok = 0;
    ASSERT_EQ(Ovilux_SetGlobalGain(handle_, info.globalGainMax), 1);
    EXPECT_EQ(Ovilux_GetGlobalGain(handle_, &ok), info.globalGainMax);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(Ovilux_SetGlobalGain(handle_, info.globalGainMax + 1), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_BAD_ARGUMENT);
    EXPECT_EQ(Ovilux_GetGlobalGain(handle_, &ok), info.globalGainMax);

    uint16_t before = 0;
    uint16_t after = 0;
    ASSERT_EQ(OviluxSim_PeekSensorRegister(0, 0x2E, &before), 1);  // green 2 gain
    ASSERT_EQ(Ovilux_SetColorGainGreen2(handle_, info.colorGainMin), 1);
    ASSERT_EQ(OviluxSim_PeekSensorRegister(0, 0x2E, &after), 1);
    EXPECT_NE(before, after) << "the gain reached the sensor";
    EXPECT_EQ(Ovilux_GetColorGainGreen2(handle_, &ok), info.colorGainMin);
    EXPECT_EQ(Ovilux_SetColorGainRed(handle_, info.colorGainMin - 1), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_BAD_ARGUMENT);

    // Exposure: 0.1 ms units by index, microseconds by the real-time form.
    ASSERT_EQ(Ovilux_SetExposureTime(handle_, 1234), 1);
    EXPECT_EQ(Ovilux_GetExposureTime(handle_, &ok), 1234);
    EXPECT_EQ(Ovilux_GetRealExposureTime(handle_, &ok), 123400);
    ASSERT_EQ(Ovilux_SetRealExposureTime(handle_, 50099), 1);
    EXPECT_EQ(Ovilux_GetExposureTime(handle_, &ok), 500);
    EXPECT_EQ(Ovilux_GetRealExposureTime(handle_, &ok), 50000);
    EXPECT_EQ(Ovilux_SetExposureTime(handle_, info.exposureMax + 1), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_BAD_ARGUMENT);
    EXPECT_EQ(Ovilux_SetRealExposureTime(handle_, (info.exposureMin - 1) * 100), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_BAD_ARGUMENT);
    EXPECT_EQ(Ovilux_GetRealExposureTime(handle_, &ok), 50000);
}

// The global gain sets the sensor's four colour gains: they read back as that gain at once, not
// only after the next capture start sends the session's kept colour gains.
TEST_F(FilterValues, GlobalGainIsReadBackInEveryColourGainBeforeAndAfterCapture) {
    int32_t ok = 0;
    ASSERT_EQ(Ovilux_SetColorGainRed(handle_, 5), 1);
    ASSERT_EQ(Ovilux_SetGlobalGain(handle_, 27), 1);
    using Getter = int32_t (*)(uint32_t, int32_t*);
    const Getter colourGains[] = {Ovilux_GetColorGainRed, Ovilux_GetColorGainGreen1, Ovilux_GetColorGainGreen2,
                                  Ovilux_GetColorGainBlue};
    for (Getter get : colourGains) {
        EXPECT_EQ(get(handle_, &ok), 27);
    }
    ASSERT_EQ(Ovilux_SnapShot(handle_, nullptr, 0, 0), 1);
    for (Getter get : colourGains) {
        EXPECT_EQ(get(handle_, &ok), 27) << "a capture start changed no setting";
    }
    uint16_t red = 0;
    ASSERT_EQ(OviluxSim_PeekSensorRegister(0, 0x2D, &red), 1);
    EXPECT_EQ(red, 27);
}

TEST_F(FilterValues, CameraInfoRecordChecksItsSize) {
    OviluxCameraInfo info;
    std::memset(&info, 0x7F, sizeof info);
    info.size = 35;
    EXPECT_EQ(Ovilux_GetCameraInfo(handle_, &info), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_MEMORY);
    EXPECT_EQ(Ovilux_GetCameraInfo(handle_, nullptr), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_BAD_ARGUMENT);
    info.size = 36;
    ASSERT_EQ(Ovilux_GetCameraInfo(handle_, &info), 1);
    EXPECT_EQ(info.maxWidth, 2592);
    EXPECT_EQ(info.maxHeight, 1944);
    EXPECT_EQ(info.globalGainMin, 0);
    EXPECT_EQ(info.globalGainMax, 63);
    EXPECT_EQ(info.colorGainMin, 0);
    EXPECT_EQ(info.colorGainMax, 63);
    EXPECT_EQ(info.exposureMin, 1);
    EXPECT_EQ(info.exposureMax, 12000);  // what 32767 rows of the first run's 2560-wide window take, not 2 s
    uint8_t tail[sizeof info - 36];
    std::memset(tail, 0x7F, sizeof tail);
    EXPECT_EQ(std::memcmp(reinterpret_cast<uint8_t*>(&info) + 36, tail, sizeof tail), 0)
        << "a 36-byte record is not written past its end";
}

TEST_F(FilterValues, RegistersRoundTripAndReportRefusals) {
    int32_t ok = 0;
    ASSERT_EQ(Ovilux_WriteRegister(handle_, 0x06, 0x0123), 1);  // vertical blank
    EXPECT_EQ(Ovilux_ReadRegister(handle_, 0x06, &ok), 0x0123);
    EXPECT_EQ(ok, 1);
    uint16_t peeked = 0;
    ASSERT_EQ(OviluxSim_PeekSensorRegister(0, 0x06, &peeked), 1);
    EXPECT_EQ(peeked, 0x0123);
    EXPECT_EQ(Ovilux_ReadRegisterEx(handle_, 0x00, &ok), 0x1801) << "the sensor's chip version";

    ASSERT_EQ(Ovilux_SetIOPort(handle_, 0x5A), 1);
    uint8_t port = 0;
    ASSERT_EQ(Ovilux_GetIOPort(handle_, &port), 1);
    EXPECT_EQ(port, 0x5A);
    EXPECT_EQ(Ovilux_Fpga_ReadRegister(handle_, 7, &ok), 0x5A);
    ASSERT_EQ(Ovilux_Fpga_WriteRegister(handle_, 7, 0x1A5), 1);
    EXPECT_EQ(Ovilux_Fpga_ReadRegister(handle_, 7, &ok), 0xA5) << "FPGA registers hold a byte";
    EXPECT_EQ(Ovilux_GetIOPort(handle_, nullptr), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), 0) << "the I/O port only posts";

    // A sensor that stops answering: reads and writes are refused with code 6.
    ASSERT_EQ(OviluxSim_SilenceBusAddress(0, 0x90, 1), 1);
    ok = 7;
    Ovilux_ReadRegister(handle_, 0x06, &ok);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_REFUSED);
    EXPECT_EQ(Ovilux_WriteRegister(handle_, 0x06, 1), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_REFUSED);
    ASSERT_EQ(OviluxSim_SilenceBusAddress(0, 0x90, 0), 1);
}

TEST_F(FilterValues, SromWritesAreVerifiedByReadingBack) {
    int32_t ok = 0;
    ASSERT_EQ(Ovilux_WriteSromID(handle_, 0x123, 0x77), 1);
    EXPECT_EQ(Ovilux_ReadSromID(handle_, 0x123, &ok), 0x77);
    EXPECT_EQ(ok, 1);
    uint8_t peeked = 0;
    ASSERT_EQ(OviluxSim_PeekSrom(0, 0x123, &peeked), 1);
    EXPECT_EQ(peeked, 0x77);
    // The address keeps its low 12 bits.
    EXPECT_EQ(Ovilux_ReadSromID(handle_, 0x1123, &ok), 0x77);

    // Writes the memory never takes are failures, posted (not stored) as code 1.
    Drain(notify_);
    ASSERT_EQ(OviluxSim_FailSromWrites(0, 1), 1);
    EXPECT_EQ(Ovilux_WriteSromID(handle_, 0x124, 0x42), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), 0);
    const std::vector<intptr_t> posted = NotifiedCodes(Drain(notify_, 1000));
    ASSERT_FALSE(posted.empty());
    EXPECT_EQ(posted.back(), OVILUX_CODE_NO_CAMERA);
    ASSERT_EQ(OviluxSim_FailSromWrites(0, 0), 1);
}

}  // namespace
}  // namespace ovilux::test
