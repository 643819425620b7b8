// Other products of the family opened through the camera device object on their simulated
// cameras: their sensor models, register paths and frames of their windows, the camera head's
// text channel and the video heads' serial reset.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "camera/SimulatedCameraFixture.h"
#include "support/Patience.h"

using namespace ovilux;
using ovilux::test::PatienceMs;
using ovilux::test::SimulatedCameraFixture;

class FamilyDevice : public SimulatedCameraFixture {
protected:
    // Plugs a camera of the product in and opens it; null when either fails.
    std::unique_ptr<camera::COviluxUXSimpleSdk> AttachAndOpen(int32_t product) {
        const int32_t p = bus().Attach(static_cast<uint16_t>(product), -1);
        if (p < 0) {
            return nullptr;
        }
        ports.push_back(p);
        return Open(0, product);
    }
};

TEST_F(FamilyDevice, OtherProductsOpenAndDeliverFramesOfTheirWindow) {
    struct Row {
        int32_t product;
        int32_t width, height, pixelWidth;
    };
    const Row rows[] = {
        {0x30F0, 3072, 2048, 0},  // 16-bit addresses, 8-bit values
        {0x3040, 1024, 768, 0},   // 16-bit values
        {0x3090, 1024, 768, 1},   // FPGA registers only, 16-bit samples
        {0x31C0, 1024, 768, 0},   // opened behind the serial reset
        {0x31A0, 256, 4096, 0},   // a line-scan frame taller than its array is wide
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << "product 0x" << row.product);
        const int32_t p = bus().Attach(static_cast<uint16_t>(row.product), -1);
        ASSERT_GE(p, 0);
        ports.push_back(p);
        auto other = Open(0, row.product);
        ASSERT_NE(other, nullptr);
        ASSERT_EQ(other->SetCaptureWindow(0, 0, row.width, row.height, 0), 1);
        ASSERT_EQ(other->SetPixelWidth(row.pixelWidth), 1);
        ASSERT_EQ(other->StartTransfer(1), 1);
        ASSERT_EQ(other->WaitFrame(PatienceMs(5000)), 3);
        const size_t bytes = static_cast<size_t>(row.width) * row.height * (row.pixelWidth != 0 ? 2 : 1);
        std::vector<uint8_t> frame = NextFrame(*other, bytes);
        EXPECT_EQ(other->CopyFrame(frame.data(), static_cast<int32_t>(bytes - 1), 0, 1), 0);
        size_t lit = 0;
        for (uint8_t sample : frame) {
            lit += sample > 8 ? 1 : 0;
        }
        EXPECT_GT(lit, bytes / 16) << "the frame shows the scene";
        EXPECT_EQ(other->StopTransfer(), 1);
    }
}

TEST_F(FamilyDevice, CameraHeadAnswersOnItsTextChannel) {
    auto head = AttachAndOpen(0x3180);
    ASSERT_NE(head, nullptr) << "the converter is brought up by its secondary initialisation";
    char line[64] = {};
    // The replies to the start-up commands wait unread, as the library never reads them. A
    // carriage return ends a line, so the head's line feed after it reads as an empty line.
    const int32_t startReplies[] = {15, 0, 4, 0, 0};
    for (int32_t expected : startReplies) {
        EXPECT_EQ(head->ReceiveText(line, sizeof(line)), expected);
    }
    ASSERT_EQ(head->SendText("n\r\n", 3), 1);
    std::memset(line, 0, sizeof(line));
    EXPECT_EQ(head->ReceiveText(line, sizeof(line)), 15);
    EXPECT_STREQ(line, "OVILUX-S26-CL\r\n");
    EXPECT_EQ(head->ReceiveText(line, sizeof(line)), 0);
    ASSERT_EQ(head->SetGlobalGain(300), 1);
    std::memset(line, 0, sizeof(line));
    EXPECT_EQ(head->ReceiveText(line, sizeof(line)), 4);
    EXPECT_STREQ(line, "OK\r\n");
    EXPECT_EQ(device->SendText("n\r\n", 3), 0) << "the M03 has no text channel";
}

TEST_F(FamilyDevice, ProductsThatCannotOpen) {
    for (int32_t product : {0x3050, 0x3130}) {
        const int32_t p = bus().Attach(static_cast<uint16_t>(product), -1);
        ASSERT_GE(p, 0);
        ports.push_back(p);
        EXPECT_EQ(Open(0, product), nullptr) << std::hex << product;
    }
    EXPECT_LT(bus().Attach(0x7777, -1), 0) << "no camera of an unknown product exists";
}

TEST_F(FamilyDevice, HeadWithItsOwnRowOrderAndAutomaticExposure) {
    auto head = AttachAndOpen(0x31E0);
    ASSERT_NE(head, nullptr);
    constexpr int32_t kWidth = 512;
    constexpr int32_t kHeight = 256;
    ASSERT_EQ(head->SetCaptureWindow(0, 0, kWidth, kHeight, 0), 1);
    ASSERT_EQ(head->StartTransfer(1), 1);
    ASSERT_EQ(head->WaitFrame(PatienceMs(5000)), 3);
    const std::vector<uint8_t> frame = NextFrame(*head, kWidth * kHeight);
    ASSERT_EQ(head->StopTransfer(), 1);
    EXPECT_TRUE(std::equal(frame.end() - kWidth, frame.end(), frame.end() - 2 * kWidth))
        << "the last row repeats the one before it";
    EXPECT_FALSE(std::equal(frame.begin(), frame.begin() + kWidth, frame.begin() + kWidth))
        << "other rows are the scene's own";

    ASSERT_EQ(head->IsAutoIrisSupported(), 1);
    ASSERT_EQ(head->WriteUserByte(0xFF), 1);
    EXPECT_EQ(head->GetAutoIris(), 0);
    ASSERT_EQ(head->SetAutoIris(1), 1);
    EXPECT_EQ(head->GetAutoIris(), 1);
    uint8_t level = 0;
    ASSERT_EQ(head->ReadUserByte(&level), 1);
    EXPECT_EQ(level, 1) << "a byte that is no level is replaced by the lowest";
    ASSERT_EQ(head->SetAutoIris(0), 1);
    EXPECT_EQ(head->GetAutoIris(), 0);
}

TEST_F(FamilyDevice, TheHeadConverterSendsSixteenBitsAndHandsEightWhenAsked) {
    auto head = AttachAndOpen(0x3180);
    ASSERT_NE(head, nullptr);
    constexpr int32_t kWidth = 256;
    constexpr int32_t kHeight = 64;
    ASSERT_EQ(head->SetCaptureWindow(0, 0, kWidth, kHeight, 0), 1);
    std::vector<uint8_t> wide;
    for (const int32_t pixelWidth : {1, 0}) {
        ASSERT_EQ(head->SetPixelWidth(pixelWidth), 1);
        ASSERT_EQ(head->StartTransfer(1), 1);
        ASSERT_EQ(head->WaitFrame(5000), 3) << "pixel width " << pixelWidth;
        const size_t bytes = static_cast<size_t>(kWidth) * kHeight * (pixelWidth != 0 ? 2 : 1);
        std::vector<uint8_t> frame = NextFrame(*head, bytes);
        EXPECT_EQ(head->StopTransfer(), 1);
        if (pixelWidth != 0) {
            wide = frame;
            continue;
        }
        // The 8-bit sample is the 16-bit one's bits 11 to 4: the two frames of the same scene
        // agree on average (noise and the moving part aside).
        double narrow = 0;
        double reduced = 0;
        for (size_t i = 0; i < frame.size(); ++i) {
            narrow += frame[i];
            reduced += static_cast<uint16_t>(wide[2 * i] | (wide[2 * i + 1] << 8)) >> 4;
        }
        narrow /= static_cast<double>(frame.size());
        reduced /= static_cast<double>(frame.size());
        EXPECT_GT(narrow, 8.0) << "the frame shows the scene";
        EXPECT_NEAR(narrow, reduced, 4.0);
    }
}

TEST_F(FamilyDevice, AnExposureTakenBetweenFramesReadsBackAsRequested) {
    auto camera = AttachAndOpen(0x3200);
    ASSERT_NE(camera, nullptr);
    ASSERT_EQ(camera->SetRealExposure(500), 1);
    int32_t exposure = 0;
    ASSERT_EQ(camera->GetRealExposure(&exposure), 1);
    EXPECT_EQ(exposure, 500) << "the waiting exposure, not the one it replaces";
    ASSERT_EQ(camera->SetRealExposure(5000000), 1);
    ASSERT_EQ(camera->GetRealExposure(&exposure), 1);
    EXPECT_EQ(exposure, 1230273) << "held at the model's longest";
    ASSERT_EQ(camera->SetRealExposure(500), 1);
    ASSERT_EQ(camera->SetCaptureWindow(0, 0, 64, 64, 0), 1);
    // One frame only: a continuous stream of such small frames can lap the ring before a
    // loaded machine runs the wait, which then sees no new frame.
    ASSERT_EQ(camera->StartTransfer(1), 1);
    ASSERT_EQ(camera->WaitFrame(5000), 3);
    EXPECT_EQ(camera->StopTransfer(), 1);
    ovilux::camera::SensorParameters taken{};
    ASSERT_EQ(camera->GetSensorInfo(&taken), 1);
    EXPECT_EQ(taken.exposure.current, 500) << "the transfer thread handed it to the model";
    ASSERT_EQ(camera->GetRealExposure(&exposure), 1);
    EXPECT_EQ(exposure, 500);
}
