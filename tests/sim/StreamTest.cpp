// Frames on the streaming endpoint: header fields, reads of any size, pending reads, aborts,
// cancels, lifetimes, and the buffered transfer path.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "SimFixture.h"

namespace platform = ovilux::platform;
using namespace ovilux::simtest;

namespace {

constexpr uint32_t kMagic = 0x4658564F;

class Stream : public SimCameraTest {
protected:
    void SetUp() override {
        SimCameraTest::SetUp();
        ASSERT_TRUE(host_->SetWindow(0, 0, 640, 480, 0));
    }

    // Reads exactly length bytes in one direct read.
    bool Read(uint8_t* data, uint32_t length) { return host_->ReadStream(data, length, 2000); }
};

TEST_F(Stream, HeadersCarryThePayloadCountAndTheFrameCount) {
    std::vector<uint8_t> header, payload;
    ASSERT_TRUE(host_->ReadFrame(header, payload));
    EXPECT_EQ(Le32(&header[0]), kMagic);
    EXPECT_EQ(Le32(&header[16]), 640u * 480);
    EXPECT_EQ(payload.size(), 640u * 480);
    EXPECT_EQ(Le32(&header[32]), 1u);
    ASSERT_TRUE(host_->ReadFrame(header, payload));
    EXPECT_EQ(Le32(&header[32]), 2u);
    EXPECT_EQ(host_->FpgaRead(8), 2) << "the FPGA counts the frames it produced";
    ASSERT_TRUE(host_->SetPixelWidth16(true));
    ASSERT_TRUE(host_->ReadFrame(header, payload));
    EXPECT_EQ(Le32(&header[16]), 640u * 480 * 2);
}

TEST_F(Stream, ReadsOfAnySizeTakeTheNextBytes) {
    // A second camera in the same state delivers the same first frame, read in one piece.
    std::unique_ptr<SimHost> other;
    const int32_t otherPort = AttachSecond(other);
    ASSERT_GE(otherPort, 0);
    ASSERT_TRUE(other->SetWindow(0, 0, 640, 480, 0));
    std::vector<uint8_t> wholeHeader, whole;
    ASSERT_TRUE(other->ReadFrame(wholeHeader, whole));

    std::vector<uint8_t> pieces(64 + 640 * 480);
    ASSERT_TRUE(host_->PrepareRead());
    const uint32_t sizes[] = {7, 100, 1, 4095, 65537, 1000};
    uint32_t offset = 0;
    for (uint32_t size : sizes) {
        ASSERT_TRUE(Read(&pieces[offset], size));
        offset += size;
    }
    ASSERT_TRUE(Read(&pieces[offset], static_cast<uint32_t>(pieces.size()) - offset));
    EXPECT_EQ(Le32(&pieces[16]), Le32(&wholeHeader[16]));
    EXPECT_EQ(Le32(&pieces[32]), Le32(&wholeHeader[32]));
    EXPECT_TRUE(std::equal(whole.begin(), whole.end(), pieces.begin() + 64));
    bus_.Detach(otherPort);
}

TEST_F(Stream, NothingComesUnpreparedAndAnAbortEndsThePendingRead) {
    uint8_t data[64];
    DirectRead read;
    ASSERT_EQ(read.Begin(host_->Port(), host_->StreamHandle(), data, 64).error, platform::win32_error::kIoPending);
    EXPECT_FALSE(read.WaitDone(50));
    EXPECT_EQ(read.Collect(host_->Port(), host_->StreamHandle(), false).error, platform::win32_error::kIoIncomplete);
    ASSERT_TRUE(host_->AbortPipe());
    ASSERT_TRUE(read.WaitDone(1000));
    const platform::IoResult ended = read.Collect(host_->Port(), host_->StreamHandle(), false);
    EXPECT_FALSE(ended.ok);
    EXPECT_EQ(ended.error, platform::win32_error::kOperationAborted);
    EXPECT_EQ(read.NtStatus(), 0xC0000120u);
    EXPECT_NE(read.UsbdStatus(), 0u);
    // The stream itself is unharmed: a prepared read now gets a header.
    std::vector<uint8_t> header, payload;
    EXPECT_TRUE(host_->ReadFrame(header, payload));
}

TEST_F(Stream, CancelEndsOnlyTheGivenRead) {
    uint8_t first[64], second[64];
    DirectRead a, b;
    ASSERT_EQ(a.Begin(host_->Port(), host_->StreamHandle(), first, 64).error, platform::win32_error::kIoPending);
    ASSERT_EQ(b.Begin(host_->Port(), host_->StreamHandle(), second, 64).error, platform::win32_error::kIoPending);
    EXPECT_TRUE(host_->Port().CancelIo(host_->StreamHandle(), &b.Overlapped()));
    ASSERT_TRUE(b.WaitDone(1000));
    EXPECT_EQ(b.Collect(host_->Port(), host_->StreamHandle(), false).error, platform::win32_error::kOperationAborted);
    EXPECT_FALSE(host_->Port().CancelIo(host_->StreamHandle(), &b.Overlapped())) << "nothing left to cancel";
    ASSERT_TRUE(host_->PrepareRead());
    ASSERT_TRUE(a.WaitDone(1000));
    const platform::IoResult done = a.Collect(host_->Port(), host_->StreamHandle(), true);
    ASSERT_TRUE(done.ok);
    EXPECT_EQ(done.bytes, 64u);
    EXPECT_EQ(Le32(first), kMagic);
}

TEST_F(Stream, ARequestEndsWhenItsLifetimeRunsOut) {
    uint8_t data[64];
    DirectRead read;
    ASSERT_EQ(read.Begin(host_->Port(), host_->StreamHandle(), data, 64, 40).error, platform::win32_error::kIoPending);
    ASSERT_TRUE(read.WaitDone(2000));
    const platform::IoResult ended = read.Collect(host_->Port(), host_->StreamHandle(), false);
    EXPECT_FALSE(ended.ok);
    EXPECT_EQ(ended.error, platform::win32_error::kSemTimeout);
    EXPECT_NE(read.NtStatus(), 0u);
}

TEST_F(Stream, PreparingAReadDropsTheRestOfAFrame) {
    std::vector<uint8_t> bytes(164);
    ASSERT_TRUE(host_->PrepareRead());
    ASSERT_TRUE(Read(bytes.data(), 164));  // header and the first 100 payload bytes
    EXPECT_EQ(Le32(&bytes[32]), 1u);
    ASSERT_TRUE(host_->PrepareRead());
    ASSERT_TRUE(Read(bytes.data(), 64));
    EXPECT_EQ(Le32(&bytes[0]), kMagic);
    EXPECT_EQ(Le32(&bytes[32]), 2u);
    // A read past the end of the frame waits for the next prepared frame.
    std::vector<uint8_t> rest(640 * 480 + 10);
    DirectRead read;
    ASSERT_EQ(read.Begin(host_->Port(), host_->StreamHandle(), rest.data(), static_cast<uint32_t>(rest.size())).error,
              platform::win32_error::kIoPending);
    EXPECT_FALSE(read.WaitDone(30));
    ASSERT_TRUE(host_->PrepareRead());
    ASSERT_TRUE(read.WaitDone(1000));
    EXPECT_TRUE(read.Collect(host_->Port(), host_->StreamHandle(), false).ok);
    EXPECT_EQ(Le32(&rest[640 * 480]), kMagic) << "the next frame's header follows the payload";
}

TEST_F(Stream, BufferedTransfersReturnTheBlockWithTheData) {
    ASSERT_TRUE(host_->PrepareRead());
    std::vector<uint8_t> block(38 + 64, 0);
    block[13] = 0x81;
    block[30] = 38;  // buffer offset
    block[34] = 64;  // buffer length
    platform::Event event(platform::EventReset::Auto, false);
    platform::Overlapped overlapped(event);
    const platform::IoResult started =
        host_->Port().IoControl(host_->StreamHandle(), platform::fx3_ioctl::kBufferedTransfer, block.data(),
                                static_cast<uint32_t>(block.size()), block.data(), static_cast<uint32_t>(block.size()),
                                &overlapped);
    ASSERT_TRUE(started.ok) << "data was ready";
    EXPECT_EQ(started.bytes, 38u + 64);
    EXPECT_EQ(event.Wait(0), platform::WaitResult::Signalled);
    EXPECT_EQ(host_->Port().GetOverlappedResult(host_->StreamHandle(), overlapped, false).bytes, 38u + 64);
    EXPECT_EQ(Le32(&block[38]), kMagic);
    EXPECT_EQ(Le32(&block[14]), 0u);
    EXPECT_EQ(Le32(&block[18]), 0u);
}

TEST_F(Stream, ASynchronousHandleWaitsForItsRead) {
    platform::DriverPort& port = host_->Port();
    std::thread arm([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        host_->PrepareRead();
    });
    uint8_t header[38] = {};
    header[13] = 0x81;
    uint8_t data[64];
    const platform::IoResult result =
        port.IoControl(host_->ControlHandle(), platform::fx3_ioctl::kDirectTransfer, header, 38, data, 64, nullptr);
    arm.join();
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.bytes, 64u);
    EXPECT_EQ(Le32(data), kMagic);
}

TEST_F(Stream, ResettingThePortEndsReadsAndDropsTheFrame) {
    uint8_t bytes[100];
    ASSERT_TRUE(host_->PrepareRead());
    ASSERT_TRUE(Read(bytes, 100));
    DirectRead read;
    ASSERT_TRUE(read.Begin(host_->Port(), host_->StreamHandle(), bytes, 100).ok) << "the frame goes on";
    uint8_t endpoint = 0x81;
    ASSERT_TRUE(host_->Port()
                    .IoControl(host_->ControlHandle(), platform::fx3_ioctl::kResetPipe, &endpoint, 1, nullptr, 0, nullptr)
                    .ok);
    DirectRead after;
    ASSERT_EQ(after.Begin(host_->Port(), host_->StreamHandle(), bytes, 100).error, platform::win32_error::kIoPending)
        << "a pipe reset drops the rest of the frame";
    ASSERT_TRUE(host_->Port()
                    .IoControl(host_->ControlHandle(), platform::fx3_ioctl::kResetParentPort, nullptr, 0, nullptr, 0,
                               nullptr)
                    .ok);
    ASSERT_TRUE(after.WaitDone(1000));
    EXPECT_EQ(after.Collect(host_->Port(), host_->StreamHandle(), false).error, platform::win32_error::kOperationAborted);
}

}  // namespace

namespace {

TEST_F(Stream, InTriggerModeEachTriggerGivesOneFrame) {
    ASSERT_TRUE(host_->FpgaWrite(36, 1));
    EXPECT_FALSE(camera_->Trigger()) << "the sensor is not in snapshot mode yet";
    const auto mode = host_->SensorRead(0x1E);
    ASSERT_TRUE(mode);
    ASSERT_TRUE(host_->SensorWrite(0x1E, static_cast<uint16_t>(*mode | 0x0310)));
    uint8_t header[64];
    ASSERT_TRUE(host_->PrepareRead());
    EXPECT_FALSE(host_->ReadStream(header, 64, 50)) << "no frame without a trigger";
    EXPECT_EQ(host_->FpgaRead(8), 0);
    ASSERT_TRUE(camera_->Trigger());
    EXPECT_EQ(host_->FpgaRead(8), 1);
    ASSERT_TRUE(host_->PrepareRead());
    ASSERT_TRUE(host_->ReadStream(header, 64, 1000));
    EXPECT_EQ(Le32(&header[32]), 1u);
    EXPECT_EQ(header[9], 1) << "marked as a triggered frame";
    // The FPGA's reset pulse restarts the sensor's frame, which in trigger mode takes one.
    ASSERT_TRUE(host_->FpgaWrite(108, 1));
    ASSERT_TRUE(host_->FpgaWrite(108, 0));
    EXPECT_EQ(host_->FpgaRead(8), 2);
    // Leaving trigger mode lets the camera run free again.
    ASSERT_TRUE(host_->FpgaWrite(36, 0));
    std::vector<uint8_t> frameHeader, payload;
    ASSERT_TRUE(host_->ReadFrame(frameHeader, payload));
    EXPECT_EQ(Le32(&frameHeader[32]), 2u) << "the queued triggered frame comes first";
    ASSERT_TRUE(host_->ReadFrame(frameHeader, payload));
    EXPECT_EQ(Le32(&frameHeader[32]), 3u);
}

}  // namespace
