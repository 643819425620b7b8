// The family's sensor models as the factory makes them: parameter blocks, register-path bytes,
// exposure rules, S04's clock modes, S33's gain steps and the line-scan heights.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "camera/RecordingBusController.h"
#include "camera/sensors/SensorFactory.h"
#include "camera/sensors/SensorFpgaShutterModels.h"
#include "camera/sensors/SensorFrameEndModels.h"
#include "camera/sensors/SensorLineTimeModels.h"
#include "camera/sensors/SensorLineUnitModels.h"
#include "camera/sensors/SensorS03.h"
#include "camera/sensors/SensorS04.h"
#include "camera/sensors/SensorS11.h"
#include "camera/sensors/SensorS15.h"
#include "camera/sensors/SensorS26.h"
#include "camera/sensors/SensorS33.h"
#include "camera/sensors/SensorSecondsModels.h"
#include "camera/sensors/SensorVideoHeadModels.h"

namespace cam = ovilux::camera;
using ovilux::test::RecordingBusController;
using Transfer = RecordingBusController::Transfer;

namespace {

std::unique_ptr<cam::CSensorBase> Make(int32_t productId, RecordingBusController& bus, uint16_t identification = 0) {
    return cam::CreateSensorModel(productId, identification, &bus);
}

cam::SensorParameters Info(cam::CSensorBase& model) {
    cam::SensorParameters info{};
    EXPECT_EQ(model.CopyInfo(&info), 1);
    return info;
}

template <typename Model>
bool IsA(cam::CSensorBase* model) {
    return dynamic_cast<Model*>(model) != nullptr;
}

}  // namespace

TEST(SensorFamily, FactoryMakesEachProductsModelWithItsDefaults) {
    struct Row {
        int32_t product;
        bool (*isModel)(cam::CSensorBase*);
        int32_t width, height, x, y, defaultWidth, defaultHeight, clock, orientation, expMin, expMax, expDefault;
        uint8_t bus;
        int32_t variant;
    };
    const Row rows[] = {
        {0x3020, IsA<cam::CSensorS01>, 4608, 3288, 0, 0, 4608, 3288, 96000, 0, 1, 20000, 1754, 0x20, 0},
        {0x3030, IsA<cam::CSensorS03>, 2592, 1944, 0, 0, 2592, 1944, 96000, 0, 1, 20000, 666, 0x90, 0},
        {0x3040, IsA<cam::CSensorS04>, 3856, 2764, 8, 8, 3840, 2752, 80000, 0, 1, 20000, 1300, 0x20, 0},
        {0x3042, IsA<cam::CSensorS04>, 3856, 2764, 8, 8, 3840, 2752, 80000, 0, 1, 20000, 1300, 0x20, 0},
        {0x30F0, IsA<cam::CSensorS05>, 3072, 2048, 0, 0, 3072, 2048, 364000, 0, 1, 30000, 200, 0x48, 0},
        {0x3100, IsA<cam::CSensorS06>, 1920, 1200, 0, 0, 1920, 1200, 74250, 0, 1, 30000, 200, 0x48, 0},
        {0x3050, IsA<cam::CSensorS07>, 1600, 1200, 0, 0, 1600, 1200, 60000, 0, 1, 1252, 1, 0x00, 0},
        {0x3090, IsA<cam::CSensorS08>, 2336, 1752, 0, 0, 2336, 1752, 60000, 4, 1, 8191, 774, 0x00, 0},
        {0x30B0, IsA<cam::CSensorS09>, 4896, 3264, 0, 0, 4896, 3264, 40000, 0, 1, 8191, 774, 0x00, 0},
        {0x30C0, IsA<cam::CSensorS10>, 6576, 4384, 0, 0, 6576, 4384, 40000, 0, 1, 2233, 2233, 0x00, 0},
        {0x3110, IsA<cam::CSensorS11>, 5520, 3680, 0, 0, 5520, 3680, 72000, 0, 1, 666, 333, 0x48, 0},
        // 0x3120's window starts at row 16, not 18: 18 + 3504 rows would run off its array.
        {0x3120, IsA<cam::CSensorS12>, 4800, 3520, 72, 16, 4672, 3504, 36000, 0, 0, 4095, 1, 0x48, 0},
        {0x3140, IsA<cam::CSensorS13>, 1280, 1024, 0, 0, 1280, 1024, 37125, 0, 1, 30000, 200, 0x6C, 0},
        {0x3150, IsA<cam::CSensorS14>, 640, 512, 0, 0, 640, 512, 6250, 0, 1, 10000, 100, 0x6C, 0},
        {0x3130, IsA<cam::CSensorS15>, 1920, 1080, 0, 0, 1920, 1080, 74250, 0, 0, 0, 0, 0x42, 0},
        {0x3170, IsA<cam::CSensorS16>, 320, 256, 0, 0, 320, 256, 6250, 0, 1, 10000, 100, 0x6C, 0},
        {0x31A0, IsA<cam::CSensorS17>, 256, 32768, 0, 0, 256, 256, 5000, 0, 89, 5039, 3000, 0x20, 0},
        {0x3190, IsA<cam::CSensorS18>, 512, 32768, 0, 0, 512, 512, 5000, 0, 89, 5039, 3000, 0x20, 0},
        {0x31D0, IsA<cam::CSensorS19>, 1024, 32768, 0, 0, 1024, 1024, 5000, 0, 136, 5039, 1500, 0x20, 0},
        {0x31C0, IsA<cam::CSensorS20>, 2048, 1536, 0, 0, 2048, 1536, 54545, 4, 1, 10000, 170, 0x48, 0},
        {0x31C4, IsA<cam::CSensorS20>, 2048, 1536, 0, 0, 2048, 1536, 54545, 4, 1, 10000, 170, 0x48, 0},
        {0x31B0, IsA<cam::CSensorS21>, 2448, 2048, 0, 0, 2448, 2048, 54000, 4, 1, 7000, 200, 0x48, 59},
        {0x32A0, IsA<cam::CSensorS21>, 2448, 2048, 0, 0, 2448, 2048, 54000, 4, 1, 7000, 200, 0x48, 113},
        {0x31B4, IsA<cam::CSensorS22>, 2448, 2048, 0, 0, 2448, 2048, 74250, 4, 1, 7000, 200, 0x48, 0},
        {0x31E0, IsA<cam::CSensorS23>, 2048, 2048, 0, 0, 2048, 2048, 50000, 0, 1, 10000, 100, 0x6C, 0},
        {0x31F0, IsA<cam::CSensorS24>, 4168, 3062, 0, 0, 4160, 3056, 72000, 4, 1, 20000, 281, 0x48, 0},
        {0x3200, IsA<cam::CSensorS25>, 640, 512, 0, 0, 640, 512, 9000, 4, 1, 1230273, 37, 0x48, 0},
        {0x3180, IsA<cam::CSensorS26>, 1280, 1024, 0, 0, 1280, 1024, 72000, 2, 1, 10000, 100, 0x48, 0},
        {0x3210, IsA<cam::CSensorS27>, 2048, 32768, 0, 0, 2048, 2048, 5000, 0, 89, 5039, 1500, 0x20, 0},
        {0x3220, IsA<cam::CSensorS28>, 320, 256, 0, 0, 320, 256, 6250, 2, 500, 1000000, 500, 0x6C, 105},
        {0x3260, IsA<cam::CSensorS29>, 1280, 1024, 0, 0, 1280, 1024, 54545, 4, 1, 20000, 138, 0x48, 109},
        {0x3270, IsA<cam::CSensorS29>, 1280, 1024, 0, 0, 1280, 1024, 54545, 4, 1, 20000, 138, 0x48, 110},
        {0x3280, IsA<cam::CSensorS30>, 640, 512, 0, 0, 640, 512, 54545, 4, 1, 20000, 70, 0x48, 111},
        {0x3290, IsA<cam::CSensorS30>, 640, 512, 0, 0, 640, 512, 54545, 4, 1, 20000, 70, 0x48, 112},
        {0x32B0, IsA<cam::CSensorS31>, 1936, 1096, 0, 0, 1936, 1096, 48000, 4, 1, 10000, 166, 0x48, 61},
        {0x32C0, IsA<cam::CSensorS32>, 1280, 1024, 0, 0, 1280, 1024, 37037, 3, 1, 20000, 401, 0x48, 114},
        {0x32D0, IsA<cam::CSensorS33>, 4096, 4096, 0, 0, 2048, 2048, 25000, 0, 1, 10000000, 100, 0x6C, 0},
        {0x32E0, IsA<cam::CSensorS34>, 2848, 2848, 0, 0, 2848, 2848, 54545, 4, 1, 260, 260, 0x48, 0},
        {0x32F0, IsA<cam::CSensorS35>, 2848, 2848, 0, 0, 2848, 2848, 54545, 4, 1, 20000, 260, 0x48, 0},
        {0x3300, IsA<cam::CSensorS36>, 1440, 1080, 0, 0, 1440, 1080, 54545, 4, 1, 20000, 42, 0x48, 0},
        {0x7777, IsA<cam::CSensorS01>, 4608, 3288, 0, 0, 4608, 3288, 96000, 0, 1, 20000, 1754, 0x20, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << "product 0x" << row.product);
        RecordingBusController bus;
        auto model = Make(row.product, bus);
        ASSERT_TRUE(model);
        EXPECT_TRUE(row.isModel(model.get()));
        const cam::SensorParameters p = Info(*model);
        EXPECT_EQ(p.fullWidth, row.width);
        EXPECT_EQ(p.fullHeight, row.height);
        EXPECT_EQ(p.defaultX, row.x);
        EXPECT_EQ(p.defaultY, row.y);
        EXPECT_EQ(p.defaultWidth, row.defaultWidth);
        EXPECT_EQ(p.defaultHeight, row.defaultHeight);
        EXPECT_EQ(p.pixelClockKHz, row.clock);
        EXPECT_EQ(p.orientation, row.orientation);
        EXPECT_EQ(p.exposure.minimum, row.expMin);
        EXPECT_EQ(p.exposure.maximum, row.expMax);
        EXPECT_EQ(p.exposure.defaultValue, row.expDefault);
        EXPECT_EQ(p.exposure.current, row.expDefault);
        EXPECT_EQ(model->BusAddress(), row.bus);
        EXPECT_EQ(model->Variant(), row.variant);
    }
    RecordingBusController bus;
    EXPECT_TRUE(IsA<cam::CSensorS02>(Make(0x3020, bus, cam::kSensorS02Identification).get()));
    EXPECT_FALSE(IsA<cam::CSensorS02>(Make(0x3020, bus, 301).get()));
}

TEST(SensorFamily, FeatureSetsFollowTheModel) {
    // product, colour gains, mirror V, mirror H, trigger, seconds, level, switch 0x80, switch 0x82, preset,
    // cooler
    const int32_t rows[][11] = {
        {0x3020, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0}, {0x3120, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0},
        {0x3090, 0, 1, 1, 1, 0, 1, 0, 0, 0, 0}, {0x3130, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {0x3180, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0}, {0x31E0, 0, 1, 1, 1, 1, 0, 1, 0, 0, 0},
        {0x3200, 0, 1, 1, 1, 0, 0, 0, 1, 0, 1}, {0x3220, 0, 1, 1, 0, 0, 0, 0, 0, 0, 1},
        {0x3290, 0, 1, 1, 1, 1, 0, 0, 0, 0, 1}, {0x32C0, 0, 1, 1, 1, 1, 0, 1, 0, 1, 0},
        {0x32F0, 0, 1, 1, 0, 1, 1, 0, 0, 0, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << "product 0x" << r[0]);
        RecordingBusController bus;
        auto model = Make(r[0], bus);
        int32_t value = 0;
        EXPECT_EQ(model->SetColorGainRed(20) != 0 && model->GetColorGainRed(&value) != 0 && value == 20, r[1] != 0);
        EXPECT_EQ(model->SetMirrorV(1) != 0 && model->GetMirrorV() == 1, r[2] != 0);
        EXPECT_EQ(model->SetMirrorH(1) != 0 && model->GetMirrorH() == 1, r[3] != 0);
        // No mirror register is written: the session is told to mirror in software.
        EXPECT_EQ(model->IsMirrorVSupported(), 0);
        EXPECT_EQ(model->IsMirrorHSupported(), 0);
        EXPECT_EQ(model->SetTriggerMode(1) != 0, r[4] != 0);
        EXPECT_EQ(model->IsExposureSecondsSupported(), r[5]);
        EXPECT_EQ(model->IsLevelSupported(), r[6]);
        EXPECT_EQ(model->IsSwitch80Supported(), r[7]);
        EXPECT_EQ(model->IsSwitch82Supported(), r[8]);
        EXPECT_EQ(model->IsPresetSupported(), r[9]);
        EXPECT_EQ(model->IsPeltierSupported(), r[10]);
    }
}

TEST(SensorFamily, RegisterPathsSendTheirExactBusBytes) {
    struct Row {
        int32_t product;
        uint32_t address, value;
        std::vector<uint8_t> replies;
        std::vector<Transfer> expected;  // the write, then the read's transfers
        int32_t readValue;
    };
    const Row rows[] = {
        {0x3020, 0x301A, 0x10DC, {0x12, 0x34}, {{0x20, false, {0x30, 0x1A, 0x10, 0xDC}}, {0x20, false, {0x30, 0x1A}}, {0x20, true, {0x12, 0x34}}}, 0x1234},
        {0x30F0, 0x0102, 0xAB, {0x5A}, {{0x48, false, {0x01, 0x02, 0xAB}}, {0x48, false, {0x01, 0x02}}, {0x48, true, {0x5A}}}, 0x5A},
    };
    for (const Row& row : rows) {
        RecordingBusController bus;
        auto model = Make(row.product, bus);
        bus.replies.assign(row.replies.begin(), row.replies.end());
        int32_t value = -1;
        EXPECT_EQ(model->WriteRegister(row.address, row.value), 1);
        EXPECT_EQ(model->ReadRegister(row.address, &value), 1);
        EXPECT_EQ(bus.transfers, row.expected);
        EXPECT_EQ(value, row.readValue);
    }

    // Registers a path cannot carry are refused, never truncated onto another register.
    const uint32_t refused[][3] = {
        {0x3020, 0x10000, 1}, {0x3020, 1, 0x10000}, {0x30F0, 1, 0x100}, {0x3090, 0x100, 1}, {0x3130, 0, 0}, {0x31E0, 0, 0},
    };
    for (const auto& r : refused) {
        RecordingBusController bus;
        auto model = Make(static_cast<int32_t>(r[0]), bus);
        EXPECT_EQ(model->WriteRegister(r[1], r[2]), 0) << std::hex << r[0];
        EXPECT_TRUE(bus.transfers.empty());
        EXPECT_TRUE(bus.fpgaWrites.empty());
    }

    // FPGA-only models and the second path of the video heads use the FPGA's registers.
    RecordingBusController bus;
    EXPECT_EQ(Make(0x3090, bus)->WriteRegister(0x40, 7), 1);
    EXPECT_EQ(Make(0x3260, bus)->WriteRegister2(0x41, 8), 1);
    EXPECT_EQ(Make(0x30F0, bus)->WriteRegister2(0x42, 9), 0);
    EXPECT_EQ(bus.fpgaWrites, (std::vector<std::pair<uint8_t, uint8_t>>{{0x40, 7}, {0x41, 8}}));
    EXPECT_TRUE(bus.transfers.empty());
}

TEST(SensorFamily, ExposureRulesGiveShutterLinesAndStoredExposure) {
    using Setup = std::function<void(cam::CSensorBase&, RecordingBusController&)>;
    const Setup readyOnce = [](cam::CSensorBase&, RecordingBusController& bus) { bus.Reply(std::string(1, '\0')); };
    struct Row {
        int32_t product;
        Setup setup;
        int32_t exposure, result, lines, stored;
    };
    const Row rows[] = {
        {0x3020, nullptr, 1754, 1, 3654, 1754},
        {0x3020, nullptr, 40000, 1, 41666, 20000},  // over the model's maximum: held at it
        {0x3020, nullptr, 0, 0, 1, 1754},
        {0x3040, nullptr, 1300, 1, 2708, 1300},
        {0x30F0, nullptr, 200, 1, 2369, 200},
        {0x3140, nullptr, 200, 1, 580, 200},
        {0x3100, nullptr, 200, 1, 6187, 200},
        {0x3100, nullptr, 30000, 1, 928125, 30000},  // the longest, whatever the window's rows
        {0x3120, nullptr, 5000, 1, 4095, 4095},  // already in lines, within the limits
        {0x31A0, nullptr, 10, 1, 89, 89},
        {0x3090, nullptr, 100, 1, 514, 100},  // counted back from the frame's end
        {0x3090, nullptr, 774, 1, 1, 774},
        {0x30B0, nullptr, 774, 1, 576, 774},
        {0x30C0, nullptr, 1000, 1, 1230, 1000},
        {0x3110, readyOnce, 333, 1, 434, 333},
        {0x3110, readyOnce, 666, 1, 433, 666},  // one whole frame period and a remainder
        {0x3110, [&](cam::CSensorBase& m, RecordingBusController& b) { m.SetModeWord(1); readyOnce(m, b); }, 666, 1, 868, 666},
        {0x3150, nullptr, 100, 1, 62493, 100},
        {0x3150, nullptr, 20000, 1, 6249993, 10000},
        {0x3170, nullptr, 100, 1, 62500, 100},
        {0x31C0, nullptr, 170, 1, 2870, 170},
        {0x31C0, [](cam::CSensorBase& m, RecordingBusController&) { m.SetVariant(':'); }, 170, 1, 1507, 170},
        {0x31C0, [](cam::CSensorBase& m, RecordingBusController&) { m.SetVariant(';'); }, 170, 0, 1, 170},
        {0x31C0, [](cam::CSensorBase& m, RecordingBusController& b) { b.identification = 1; m.SetModeWord(1); m.CachedIdentification(); }, 170, 1, 3219, 170},
        {0x31B0, nullptr, 200, 1, 614, 200},
        {0x31B4, nullptr, 200, 1, 1511, 200},
        {0x31F0, nullptr, 281, 1, 2452, 281},
        {0x31F0, [](cam::CSensorBase& m, RecordingBusController&) { m.SetWindow(0, 4160, 0, 3056, 1); }, 281, 1, 3831, 281},
        {0x3200, nullptr, 37, 1, 504, 37},
        {0x3200, nullptr, 1230273, 1, 16776450, 1230273},
        {0x3200, nullptr, 2000000, 1, 16776450, 1230273},
        {0x30F0, [](cam::CSensorBase& m, RecordingBusController&) { m.SetWindow(0, 640, 0, 480, 0); }, 30000, 1, 1706250, 30000},
        {0x3180, nullptr, 2147483647, 1, 571428, 10000},  // a typed value far beyond the head's: held at its maximum
        {0x3180, nullptr, 100, 1, 5714, 100},
        {0x3220, nullptr, 1000, 1, 6, 1000},
        {0x3220, nullptr, 10, 1, 0, 500},
        {0x3260, nullptr, 2000, 1, 15431, 2000},
        {0x3260, [](cam::CSensorBase& m, RecordingBusController&) { m.SetWindow(0, 1280, 0, 512, 0); }, 2000, 1, 15429, 2000},
        {0x3280, nullptr, 2000, 1, 15429, 2000},
        {0x32E0, nullptr, 260, 1, 497, 260},
        {0x31E0, nullptr, 20000, 1, 1, 10000},  // the timed models clamp to their limits
        {0x32B0, nullptr, 3, 1, 1, 3},
        {0x32C0, nullptr, 0, 1, 1, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << "product 0x" << row.product << std::dec << " exposure "
                                        << row.exposure);
        RecordingBusController bus;
        auto model = Make(row.product, bus);
        if (row.setup) {
            row.setup(*model, bus);
        }
        EXPECT_EQ(model->SetRealExposure(row.exposure), row.result);
        int32_t lines = 0;
        int32_t stored = 0;
        EXPECT_EQ(model->GetShutterLines(&lines), 1);
        EXPECT_EQ(model->GetRealExposure(&stored), 1);
        if (row.result != 0) {
            EXPECT_EQ(lines, row.lines);
        }
        EXPECT_EQ(stored, row.stored);
        double seconds = 0;
        if (model->GetExposureSeconds(&seconds)) {
            EXPECT_DOUBLE_EQ(seconds, row.stored / 10000.0);
        }
    }
}

TEST(SensorFamily, FrameCountWaitsForTheSensorAfterEachWrite) {
    RecordingBusController bus;
    auto model = Make(0x3110, bus);
    bus.Reply(std::string(1, '\0'));
    ASSERT_EQ(model->SetRealExposure(666), 1);
    const std::vector<Transfer> expected = {
        {0x48, false, {0x00, 0x0D, 0x01}}, {0x48, false, {0x00, 0x0D}}, {0x48, true, {0x00}}};
    EXPECT_EQ(bus.transfers, expected);
    EXPECT_EQ(model->SetRealExposure(666), 0) << "a sensor that never answers again fails the write";
}

TEST(SensorFamily, ClockModesProgramThePllAndAreReadBack) {
    struct Row {
        int32_t mode;
        std::vector<uint16_t> pll;
        int32_t clock;
    };
    const Row rows[] = {{0, {5, 2, 3, 40, 10, 2}, 32000}, {1, {5, 4, 3, 40, 10, 4}, 16000}, {2, {3, 1, 3, 40, 6, 1}, 80000}};
    for (const Row& row : rows) {
        RecordingBusController bus;
        auto model = Make(0x3040, bus);
        ASSERT_EQ(model->SetClockMode(row.mode), 1);
        std::vector<Transfer> expected = {{0x20, false, {0x30, 0x1A, 0x00, 0x00}}};
        for (size_t i = 0; i < row.pll.size(); ++i) {
            expected.push_back({0x20, false, {0x03, static_cast<uint8_t>(2 * i), 0x00, static_cast<uint8_t>(row.pll[i])}});
        }
        expected.push_back({0x20, false, {0x30, 0x1A, 0x10, 0xDC}});
        expected.push_back({0x20, false, {0x30, 0x40, 0x00, 0x00}});
        EXPECT_EQ(bus.transfers, expected) << "mode " << row.mode;
        EXPECT_EQ(Info(*model).pixelClockKHz, row.clock);
    }
    RecordingBusController bus;
    auto model = Make(0x3040, bus);
    EXPECT_EQ(model->SetClockMode(3), 0);
    const std::pair<uint8_t, int32_t> readBack[] = {{1, 2}, {2, 0}, {4, 1}};
    for (const auto& [divider, mode] : readBack) {
        bus.replies = {0x00, divider};
        int32_t got = -1;
        EXPECT_EQ(model->GetClockMode(&got), 1);
        EXPECT_EQ(got, mode);
    }
    bus.replies = {0x00, 3};
    int32_t got = -1;
    EXPECT_EQ(model->GetClockMode(&got), 0);
}

TEST(SensorFamily, AnalogGainStepsMergeIntoTheirRegisters) {
    struct Row {
        int32_t step;
        uint8_t r89, r90, r217, r218;
    };
    const Row rows[] = {{3, 0x00, 0x00, 0x80, 0x0D}, {5, 0xFF, 0xFF, 0xFF, 0xF6}, {0, 0xFF, 0x1F, 0x7F, 0x00}};
    for (const Row& row : rows) {
        RecordingBusController bus;
        auto model = Make(0x32D0, bus);
        bus.fpga[89] = row.r89;
        bus.fpga[90] = row.r90;
        ASSERT_EQ(model->SetAnalogGainStep(row.step), 1);
        EXPECT_EQ(bus.fpgaWrites, (std::vector<std::pair<uint8_t, uint8_t>>{{217, row.r217}, {218, row.r218}}));
        int32_t current = -1;
        EXPECT_EQ(model->GetAnalogGainStepCurrent(&current), 1);
        EXPECT_EQ(current, row.step);
    }
    RecordingBusController bus;
    auto model = Make(0x32D0, bus);
    EXPECT_EQ(model->SetAnalogGainStep(8), 0);
    EXPECT_EQ(model->SetAnalogGainStep(-1), 0);
    EXPECT_TRUE(bus.fpgaWrites.empty());
    bus.fpga[90] = 0b11110100;
    int32_t step = -1;
    EXPECT_EQ(model->GetAnalogGainStep(&step), 1);
    EXPECT_EQ(step, 5);
    char label[8] = {};
    EXPECT_EQ(model->GetAnalogGainStepLabel(7, label, sizeof(label)), 120);
    EXPECT_STREQ(label, "7.25");
    EXPECT_EQ(model->GetAnalogGainStepLabel(0, label, 4), 0) << "no room for the terminator";
    EXPECT_EQ(model->GetAnalogGainStepLabel(8, label, sizeof(label)), 0);
}

TEST(SensorFamily, WindowsStayInsideTheArrayAndLineScanHeightsReach32768) {
    struct Row {
        int32_t product, width, height, accepted;
    };
    const Row rows[] = {
        {0x31A0, 256, 32768, 1}, {0x3190, 512, 32768, 1}, {0x31D0, 1024, 32768, 1}, {0x3210, 2048, 32768, 1},
        {0x3210, 2048, 32769, 0}, {0x30F0, 3072, 2048, 1}, {0x30F0, 3072, 2049, 0}, {0x30F0, 3073, 16, 0},
        {0x30F0, 0, 16, 0},
    };
    for (const Row& row : rows) {
        RecordingBusController bus;
        auto model = Make(row.product, bus);
        EXPECT_EQ(model->SetWindow(0, row.width, 0, row.height, 0), row.accepted) << std::hex << row.product;
        if (row.accepted) {
            EXPECT_EQ(Info(*model).height, row.height);
        }
    }
}

TEST(SensorFamily, ModelsThatCannotBeOpened) {
    RecordingBusController bus;
    EXPECT_EQ(Make(0x3050, bus)->Initialize(), 0) << "S07 has no initialisation";
    EXPECT_EQ(Make(0x3130, bus)->Probe(), 0) << "the video converter answers no probe";
    EXPECT_EQ(Make(0x30F0, bus)->Probe(), 0) << "a sensor that does not answer is not there";
    bus.Reply(std::string(1, '\x01'));
    EXPECT_EQ(Make(0x30F0, bus)->Probe(), 1);
}
