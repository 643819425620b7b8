// The camera device object streaming from a simulated M03: the ring, WaitFrame's answers, the
// capture modes, the give-up rules and stopping.
#include <gtest/gtest.h>

#include <cstring>

#include "camera/SimulatedCameraFixture.h"
#include "platform/Clock.h"
#include "support/Patience.h"

using namespace ovilux;
using ovilux::camera::SensorParameters;
using ovilux::test::PatienceMs;
using ovilux::test::SimulatedCameraFixture;

namespace {

constexpr size_t kFullFrame = 2592u * 1944u;

// Polls WaitFrame until it answers the wanted result or the time is up: withinMs on an idle
// machine, longer as the build and the machine are slower (a loaded machine under
// ThreadSanitizer takes seconds for a frame).
bool WaitForResult(camera::COviluxUXBase& device, int32_t wanted, uint32_t withinMs) {
    const uint32_t start = platform::TimeGetTime();
    const uint32_t limit = PatienceMs(withinMs);
    while (platform::ElapsedMs(start, platform::TimeGetTime()) < limit) {
        if (device.WaitFrame(100) == wanted) {
            return true;
        }
    }
    return false;
}

}  // namespace

using DeviceStreaming = SimulatedCameraFixture;

TEST_F(DeviceStreaming, ContinuousFramesArriveAndCopyOut) {
    ASSERT_EQ(device->StartTransfer(0), 1);
    EXPECT_TRUE(device->IsStreaming());
    // While frames keep coming the write index passes the read index now and then, and a wait
    // that wakes just then rightly reports no new frame.
    ASSERT_TRUE(WaitForResult(*device, 3, 3000));
    std::vector<uint8_t> frame = NextFrame(*device, kFullFrame);
    size_t lit = 0;
    for (uint8_t sample : frame) {
        lit += sample > 8 ? 1 : 0;
    }
    EXPECT_GT(lit, kFullFrame / 2) << "the simulated scene is mostly lit";
    ASSERT_EQ(device->StopTransfer(), 1);
    EXPECT_FALSE(device->IsStreaming());
    EXPECT_EQ(device->WaitFrame(100), 2) << "a stopped stream has no frames to wait for";
}

// A camera that makes each frame as it is read (fast mode) is read only as fast as its frames
// are taken: a consumer slower than the camera misses none, and one that takes nothing for a
// while still finds a recent frame.
TEST_F(DeviceStreaming, AFastCameraIsReadAsItsFramesAreTaken) {
    constexpr uint32_t kHoldMs = 70;  // how long the transfer waits for a consumer that takes nothing
    ASSERT_EQ(device->StartTransfer(0), 1);
    std::vector<uint32_t> numbers, claimedAt;
    for (int i = 0; i < 12; ++i) {
        ASSERT_TRUE(WaitForResult(*device, 3, 3000));
        claimedAt.push_back(platform::TimeGetTime());
        NextFrame(*device, kFullFrame);
        numbers.push_back(device->TakenFrame().number);
        platform::SleepMs(10);  // converting: slower than the camera makes frames
    }
    // Only frames claimed within the hold of the last one must follow it without a gap.
    int checked = 0;
    for (size_t i = 1; i < numbers.size(); ++i) {
        if (platform::ElapsedMs(claimedAt[i - 1], claimedAt[i]) < kHoldMs) {
            ++checked;
            EXPECT_EQ(numbers[i], numbers[i - 1] + 1) << "take " << i;
        }
    }
    if (checked < 4) {
        GTEST_SKIP() << "only " << checked << " takes came within " << kHoldMs << " ms: the machine is too slow to tell";
    }

    platform::SleepMs(1000);
    ASSERT_TRUE(WaitForResult(*device, 3, 3000));
    NextFrame(*device, kFullFrame);
    EXPECT_LT((platform::MonotonicNs() - device->TakenFrame().arrivalNs) / 1000000, PatienceMs(kHoldMs + 100))
        << "a frame nobody took is replaced by a newer one now and then";
}

TEST_F(DeviceStreaming, FourSingleFramesWrapTheRingAndTheNewestIsInSlotThree) {
    std::vector<std::vector<uint8_t>> frames;
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(device->StartTransfer(1), 1);
        ASSERT_EQ(device->WaitFrame(PatienceMs(3000)), 3) << "frame " << i;
        frames.push_back(NextFrame(*device, kFullFrame));
    }
    EXPECT_EQ(device->RingWriteIndex(), 0);
    EXPECT_EQ(device->RingReadIndex(), 0);
    EXPECT_EQ(device->WaitFrame(100), 2) << "no new frame after the last one was taken";
    std::vector<uint8_t> again(kFullFrame);
    ASSERT_EQ(device->CopyFrame(again.data(), static_cast<int32_t>(kFullFrame), 0, 1), 1);
    EXPECT_EQ(again, frames[3]) << "the buffer before write index 0 is slot 3";
    EXPECT_NE(frames[0], frames[3]) << "the moving part makes every frame different";
}

TEST_F(DeviceStreaming, EachFreshStartsFrameIsNewWhateverFramesNobodyTook) {
    // Three frames left in the ring put the write index one short of the read index: the next
    // single frame must still be reported.
    for (int i = 0; i < 6; ++i) {
        ASSERT_EQ(device->StartTransfer(1), 1);
        ASSERT_EQ(device->WaitFrame(PatienceMs(3000)), 3) << "frame " << i;
    }
}

TEST_F(DeviceStreaming, OrientationAndDestinationSize) {
    ASSERT_EQ(device->SetCaptureWindow(0, 0, 640, 480, 0), 1);
    ASSERT_EQ(device->GrabOneFrame(), 0);
    const size_t bytes = 640u * 480u;
    std::vector<uint8_t> stored(bytes), flipped(bytes);
    ASSERT_EQ(device->GetGrabbedFrame(stored.data(), static_cast<int32_t>(bytes), 0, 0, 1), 0);
    ASSERT_EQ(device->GetGrabbedFrame(flipped.data(), static_cast<int32_t>(bytes), 0, 0, 0), 0);
    for (size_t row = 0; row < 480; ++row) {
        ASSERT_EQ(0, std::memcmp(&stored[row * 640], &flipped[(479 - row) * 640], 640)) << "row " << row;
    }
    EXPECT_EQ(device->CopyFrame(stored.data(), static_cast<int32_t>(bytes) - 1, 1, 1), 0);
    EXPECT_EQ(device->GetGrabbedFrame(nullptr, static_cast<int32_t>(bytes), 0, 0, 1), -2);
    EXPECT_EQ(camera()->FpgaRegister(68) | camera()->FpgaRegister(69) << 8, 640) << "the FPGA learns the frame width";
    EXPECT_EQ(camera()->FpgaRegister(64) | camera()->FpgaRegister(65) << 8, 480);
}

TEST_F(DeviceStreaming, GrabOneFrameNeverSignalsTheFrameEvent) {
    ASSERT_EQ(device->GrabOneFrame(), 0);
    EXPECT_EQ(device->WaitFrame(100), 2);
    camera::COviluxUXSimpleSdk bare;
    EXPECT_EQ(bare.GrabOneFrame(), 2) << "no controller";
    EXPECT_EQ(bare.WaitFrame(10), 2);
}

TEST_F(DeviceStreaming, CaptureModeThreeLatchesWithoutAFrame) {
    const int32_t before = device->RingWriteIndex();
    ASSERT_EQ(device->StartTransfer(3), 1);
    const uint32_t start = platform::TimeGetTime();
    while (device->IsStreaming() && platform::ElapsedMs(start, platform::TimeGetTime()) < PatienceMs(3000)) {
        platform::SleepMs(5);
    }
    EXPECT_FALSE(device->IsStreaming()) << "mode 3 ends by itself";
    EXPECT_EQ(device->RingWriteIndex(), before);
    EXPECT_EQ(device->WaitFrame(100), 2);
}

TEST_F(DeviceStreaming, TriggerModeWaitsForTheTriggerWithoutFrames) {
    ASSERT_EQ(device->SetTriggerMode(1, 0), 1);
    EXPECT_EQ(camera()->FpgaRegister(36), 1);
    EXPECT_EQ(camera()->SensorRegister(0x1E) & 0x0310, 0x0310);
    EXPECT_EQ(device->SetTriggerMode(1, 0), 1) << "the same mode without force does nothing";
    const uint32_t producedBefore = camera()->FramesProduced();
    EXPECT_EQ(device->WaitFrame(300), 2) << "no trigger, no frame";
    EXPECT_EQ(camera()->FramesProduced(), producedBefore);
    ASSERT_TRUE(camera()->Trigger());
    EXPECT_TRUE(WaitForResult(*device, 3, 3000));
    device->StopTransfer();
    ASSERT_EQ(device->SetTriggerMode(0, 0), 1);
    EXPECT_EQ(camera()->FpgaRegister(36), 0);
}

TEST_F(DeviceStreaming, OversizedPayloadsMakeTheLoopGiveUp) {
    camera()->MisreportPayload(64 * 1024 * 1024, 10);  // far beyond the raw buffer
    ASSERT_EQ(device->StartTransfer(0), 1);
    EXPECT_TRUE(WaitForResult(*device, 1, 10000)) << "five failed frames end the loop";
    EXPECT_TRUE(device->TransferGaveUp());
    EXPECT_EQ(device->WaitFrame(0), 1) << "reported at once while the flag stays";
    device->StopTransfer();
}

TEST_F(DeviceStreaming, UnplugWhileStreamingIsReportedAsGivenUp) {
    ASSERT_EQ(device->StartTransfer(0), 1);
    ASSERT_TRUE(WaitForResult(*device, 3, 3000));
    ASSERT_TRUE(bus().Detach(port));
    EXPECT_TRUE(WaitForResult(*device, 1, 10000));
    const uint32_t start = platform::TimeGetTime();
    device->StopTransfer();
    EXPECT_LT(platform::ElapsedMs(start, platform::TimeGetTime()), PatienceMs(2000));
}

TEST_F(DeviceStreaming, StopDuringHeaderRetriesReturns) {
    camera()->DropHeaders(1000);
    ASSERT_EQ(device->StartTransfer(0), 1);
    platform::SleepMs(200);
    const uint32_t start = platform::TimeGetTime();
    ASSERT_EQ(device->StopTransfer(), 1);
    EXPECT_LT(platform::ElapsedMs(start, platform::TimeGetTime()), PatienceMs(8000)) << "at most one frame's retries";
    EXPECT_FALSE(device->IsStreaming());
}

TEST_F(DeviceStreaming, TwoCamerasStopIndependently) {
    const int32_t second = bus().Attach(kM03, -1);
    ASSERT_GE(second, 0);
    ports.push_back(second);
    auto other = Open(1);
    ASSERT_NE(other, nullptr);
    ASSERT_EQ(device->StartTransfer(0), 1);
    ASSERT_EQ(other->StartTransfer(0), 1);
    ASSERT_TRUE(WaitForResult(*device, 3, 3000));
    ASSERT_TRUE(WaitForResult(*other, 3, 3000));
    ASSERT_EQ(device->StopTransfer(), 1);
    EXPECT_FALSE(device->IsStreaming());
    EXPECT_TRUE(other->IsStreaming()) << "stopping one camera must not end the other's thread";
    NextFrame(*other, kFullFrame);
    EXPECT_TRUE(WaitForResult(*other, 3, 3000));
    ASSERT_EQ(other->StopTransfer(), 1);
}

TEST_F(DeviceStreaming, OpenRefusesUnknownNumbersAndSettingsReachTheSensor) {
    camera::COviluxUXSimpleSdk stranger;
    stranger.SetDriverPort(&bus());
    stranger.CreateController(nullptr, nullptr);
    stranger.SetProductId(kM03);
    EXPECT_EQ(stranger.OpenDevice(31), 0);
    SensorParameters info{};
    EXPECT_EQ(stranger.GetSensorInfo(&info), 0) << "no sensor model was created";

    ASSERT_EQ(device->SetRealExposure(666), 1);
    EXPECT_EQ(camera()->SensorRegister(0x09), 1802);
    ASSERT_EQ(device->SetMirrorH(1), 1);
    EXPECT_NE(camera()->SensorRegister(0x20) & 0x4000, 0);
    EXPECT_EQ(device->GetMaxWidth(), 2592);
    EXPECT_EQ(device->IsExposureSecondsSupported(), 0);
    EXPECT_EQ(device->GetSwitch80(), -1);
    int32_t ok = 0;
    EXPECT_EQ(device->ReadSensorRegister(0x00, &ok), 0x1801);
    EXPECT_EQ(ok, 1);
}
