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

using FamilyDevice = SimulatedCameraFixture;

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
    const int32_t p = bus().Attach(0x3180, -1);
    ASSERT_GE(p, 0);
    ports.push_back(p);
    auto head = Open(0, 0x3180);
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
    const int32_t p = bus().Attach(0x31E0, -1);
    ASSERT_GE(p, 0);
    ports.push_back(p);
    auto head = Open(0, 0x31E0);
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
