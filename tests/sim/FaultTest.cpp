// Faults on demand on the frame stream: lost headers, misreported payloads and stalls.
#include <gtest/gtest.h>

#include <chrono>

#include "SimFixture.h"

namespace platform = ovilux::platform;
using namespace ovilux::simtest;

namespace {

constexpr uint32_t kFrameBytes = 640 * 480;

class Faults : public SimCameraTest {
protected:
    void SetUp() override {
        SimCameraTest::SetUp();
        ASSERT_TRUE(host_->SetWindow(0, 0, 640, 480, 0));
    }
};

TEST_F(Faults, DroppedHeadersNeverComeAndTheirFramesAreLost) {
    camera_->DropHeaders(2);
    uint8_t header[64];
    for (int attempt = 0; attempt < 2; ++attempt) {
        ASSERT_TRUE(host_->PrepareRead());
        EXPECT_FALSE(host_->ReadStream(header, 64, 100)) << "attempt " << attempt;
    }
    std::vector<uint8_t> frameHeader, payload;
    ASSERT_TRUE(host_->ReadFrame(frameHeader, payload));
    EXPECT_EQ(Le32(&frameHeader[32]), 3u);
    EXPECT_EQ(payload.size(), kFrameBytes);
}

TEST_F(Faults, ALargerAnnouncedPayloadIsPaddedAndAShorterOneCut) {
    std::vector<uint8_t> header, payload;
    camera_->MisreportPayload(1000, 1);
    ASSERT_TRUE(host_->ReadFrame(header, payload));
    ASSERT_EQ(Le32(&header[16]), kFrameBytes + 1000);
    EXPECT_TRUE(std::all_of(payload.end() - 1000, payload.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_FALSE(std::all_of(payload.begin(), payload.begin() + 1000, [](uint8_t b) { return b == 0; }));

    camera_->MisreportPayload(-1000, 1);
    ASSERT_TRUE(host_->ReadFrame(header, payload));
    EXPECT_EQ(Le32(&header[16]), kFrameBytes - 1000);
    // Nothing of the cut frame is left over: the next prepared read starts with a header.
    ASSERT_TRUE(host_->ReadFrame(header, payload));
    EXPECT_EQ(Le32(&header[16]), kFrameBytes);
    EXPECT_EQ(Le32(&header[0]), 0x4658564Fu);

    camera_->MisreportPayload(-static_cast<int32_t>(kFrameBytes) - 5, 1);
    ASSERT_TRUE(host_->ReadFrame(header, payload));
    EXPECT_EQ(Le32(&header[16]), 0u) << "never below nothing";
    camera_->MisreportPayload(0x7FFFFFFF, 1);
    ASSERT_TRUE(host_->PrepareRead());
    uint8_t big[64];
    ASSERT_TRUE(host_->ReadStream(big, 64, 1000));
    EXPECT_EQ(Le32(&big[16]), kFrameBytes + 0x7FFFFFFFu);
}

TEST_F(Faults, AStallHoldsTheStream) {
    camera_->Stall(150);
    const auto start = std::chrono::steady_clock::now();
    std::vector<uint8_t> header, payload;
    ASSERT_TRUE(host_->ReadFrame(header, payload));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(145));
}

TEST_F(Faults, AnUnplugDuringAStallFailsTheWaitingRead) {
    camera_->Stall(10000);
    ASSERT_TRUE(host_->PrepareRead());
    uint8_t data[64];
    DirectRead read;
    ASSERT_EQ(read.Begin(host_->Port(), host_->StreamHandle(), data, 64).error, platform::win32_error::kIoPending);
    ASSERT_TRUE(bus_.Detach(port_));
    ASSERT_TRUE(read.WaitDone(2000));
    EXPECT_EQ(read.Collect(host_->Port(), host_->StreamHandle(), false).error,
              platform::win32_error::kDeviceNotConnected);
}

}  // namespace
