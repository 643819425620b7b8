// Frames that tell their story: the camera's numbers on delivered frames, their arrival times
// and settings, and the counts of frames lost by reason, adding up to the frames the camera
// numbered, with a consumer made slow, with headers and payloads the camera gets wrong, and
// across an unplug.
#include <set>
#include <thread>

#include "OviluxStream.h"
#include "api/SimulatedCameras.h"
#include "support/Patience.h"

namespace ovilux::test {
namespace {

uint64_t Lost(const OviluxStreamStatistics& s) {
    return s.lostHeaderTimeout + s.lostWrongSize + s.lostIncomplete + s.lostSlow + s.lostCameraLost +
           s.lostBufferTooSmall;
}

uint32_t FramesProduced() {
    uint32_t count = 0;
    EXPECT_EQ(OviluxSim_GetFrameCount(0, &count), 1);
    return count;
}

uint32_t FramesSent() {
    uint32_t count = 0;
    EXPECT_EQ(OviluxSim_GetFramesSent(0, &count), 1);
    return count;
}

class StreamStory : public SessionTest {
protected:
    void SetUp() override {
        OpenSession(1);
        ASSERT_EQ(Ovilux_SetColorMode(handle_, 8), 1);
        ASSERT_EQ(Ovilux_SetSubSample(handle_, 2), 1);
        callback_ = OviluxWnd_CreateMessageWindow();
        ASSERT_NE(callback_, nullptr);
        PopAll(handle_);
    }

    void TearDown() override {
        if (handle_ != 0) {
            Ovilux_StopPreview(handle_);
        }
        OviluxWnd_DestroyWindow(callback_);
        SessionTest::TearDown();
    }

    void StartLive() {
        ASSERT_EQ(Ovilux_CallBackPreview(handle_, callback_, buffer_.data(), static_cast<int32_t>(buffer_.size()), 1),
                  1);
    }

    // Reads the metadata at each frame message until `frames` messages have come (or the
    // limit passed); keeps every distinct frame seen.
    void ReadFrames(size_t frames, uint32_t limitMs) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(PatienceMs(limitMs));
        size_t messages = 0;
        PostedMessage m{};
        while (messages < frames && std::chrono::steady_clock::now() < deadline) {
            if (OviluxWnd_GetMessage(callback_, 50, &m.message, &m.wParam, &m.lParam) != 1 ||
                m.message != OVILUX_WM_FRAME || m.wParam == 0) {
                continue;
            }
            ++messages;
            OviluxFrameMetadata frame{};
            ASSERT_EQ(OviluxStream_GetLastFrame(handle_, &frame), 1);
            if (seen_.empty() || seen_.back().frameNumber != frame.frameNumber) {
                seen_.push_back(frame);
            }
        }
        ASSERT_EQ(messages, frames) << "frame messages within the time";
    }

    // The frames read so far came in the camera's order, each later than the one before.
    void ExpectFramesInOrder() const {
        for (size_t i = 1; i < seen_.size(); ++i) {
            EXPECT_GT(seen_[i].frameNumber, seen_[i - 1].frameNumber) << i;
            EXPECT_GT(seen_[i].arrivalNs, seen_[i - 1].arrivalNs) << i;
        }
    }

    OviluxStreamStatistics Statistics() const {
        OviluxStreamStatistics s{};
        EXPECT_EQ(OviluxStream_GetStatistics(handle_, &s), 1);
        return s;
    }

    OVILUX_HWND callback_ = nullptr;
    // Exactly the picture of the default window (2560 x 1920) at a quarter, 8 bits.
    std::vector<uint8_t> buffer_ = std::vector<uint8_t>(640u * 480u);
    std::vector<OviluxFrameMetadata> seen_;
};

// At the camera's own speed every frame it produced reaches the library, so every frame the
// camera produced while the session streamed is delivered or lost with its reason: payloads
// announced too long, a header that never came, and frames overtaken while the worker was busy.
TEST_F(StreamStory, EveryFrameTheCameraProducedIsDeliveredOrLostWithItsReason) {
    OviluxFrameMetadata none{};
    EXPECT_EQ(OviluxStream_GetLastFrame(handle_, &none), 0) << "no frame delivered yet";
    const uint32_t produced = FramesProduced();
    const uint32_t sent = FramesSent();
    StartLive();
    ReadFrames(3, 3000);
    ASSERT_EQ(OviluxSim_MisreportPayload(0, 4096, 2), 1);
    ReadFrames(3, 3000);
    ASSERT_EQ(OviluxSim_DropHeaders(0, 1), 1);
    ReadFrames(3, 15000);  // a header that never comes costs the transfer's time-out
    ASSERT_EQ(Ovilux_StopPreview(handle_), 1);
    ExpectFramesInOrder();

    const OviluxStreamStatistics s = Statistics();
    EXPECT_EQ(s.delivered + Lost(s), FramesProduced() - produced);
    EXPECT_EQ(s.delivered + Lost(s) - s.lostHeaderTimeout, FramesSent() - sent) << "the lost header was never sent";
    EXPECT_EQ(s.lostWrongSize, 2u);
    EXPECT_EQ(s.lostHeaderTimeout, 1u);
    EXPECT_EQ(s.lostIncomplete, 0u);
    EXPECT_EQ(s.lostCameraLost, 0u);
    EXPECT_EQ(s.lostBufferTooSmall, 0u);
    EXPECT_GE(s.delivered, seen_.size());
    uint64_t lostBefore = 0;
    for (const OviluxFrameMetadata& frame : seen_) {
        lostBefore += frame.lostBefore;
    }
    EXPECT_LE(lostBefore, Lost(s));

    // Stopped, the counts stay; reset, they start from nothing, and the next stream adds up alike.
    const OviluxStreamStatistics again = Statistics();
    EXPECT_EQ(again.delivered, s.delivered);
    EXPECT_EQ(Lost(again), Lost(s));
    ASSERT_EQ(OviluxStream_ResetStatistics(handle_), 1);
    EXPECT_EQ(Statistics().delivered, 0u);
    EXPECT_EQ(Lost(Statistics()), 0u);
    const uint32_t restarted = FramesProduced();
    StartLive();
    ReadFrames(2, 3000);
    ASSERT_EQ(Ovilux_StopPreview(handle_), 1);
    const OviluxStreamStatistics second = Statistics();
    EXPECT_EQ(second.delivered + Lost(second), FramesProduced() - restarted);
    EXPECT_EQ(second.lostWrongSize + second.lostHeaderTimeout, 0u);
}

// A snapshot buffer too small for the picture is a frame taken but not delivered; a snapshot
// that fits delivers its frame with the settings it was taken with.
TEST_F(StreamStory, SnapshotsAreCountedAndCarryTheirSettings) {
    OviluxCameraInfo info{};
    info.size = sizeof(info);
    ASSERT_EQ(Ovilux_GetCameraInfo(handle_, &info), 1);
    ASSERT_EQ(Ovilux_SetFilterValue(handle_, OVILUX_FILTER_GLOBAL_GAIN, info.globalGainMax), 1);
    ASSERT_EQ(Ovilux_SetRealExposureTime(handle_, 20000), 1);
    const uint32_t produced = FramesProduced();
    ASSERT_EQ(Ovilux_SnapShot(handle_, buffer_.data(), static_cast<int32_t>(buffer_.size()), 1), 1);
    OviluxFrameMetadata first{};
    ASSERT_EQ(OviluxStream_GetLastFrame(handle_, &first), 1);
    EXPECT_EQ(first.exposureMicroseconds, 20000);
    EXPECT_EQ(first.globalGain, Ovilux_GetFilterValue(handle_, OVILUX_FILTER_GLOBAL_GAIN, nullptr));
    EXPECT_EQ(first.gainRed, Ovilux_GetFilterValue(handle_, OVILUX_FILTER_COLOR_GAIN_RED, nullptr));
    EXPECT_EQ(first.lostBefore, 0u);
    EXPECT_EQ(Ovilux_SnapShot(handle_, buffer_.data(), static_cast<int32_t>(buffer_.size()) - 1, 1), 0);
    ASSERT_EQ(Ovilux_SnapShot(handle_, buffer_.data(), static_cast<int32_t>(buffer_.size()), 1), 1);
    OviluxFrameMetadata third{};
    ASSERT_EQ(OviluxStream_GetLastFrame(handle_, &third), 1);
    EXPECT_GT(third.frameNumber, first.frameNumber);
    EXPECT_GT(third.arrivalNs, first.arrivalNs);
    EXPECT_GE(third.lostBefore, 1u) << "the frame the small buffer could not hold";
    const OviluxStreamStatistics s = Statistics();
    EXPECT_EQ(s.delivered, 2u);
    EXPECT_EQ(s.lostBufferTooSmall, 1u);
    EXPECT_EQ(s.delivered + Lost(s), FramesProduced() - produced);
    PopAll(handle_);
}

// At the sensor's real timing a worker made slow on purpose (a long wait between frames) takes
// only some of the frames; the others are counted as overtaken, and the frames it takes say how
// many went before them. Once the stream stopped, every frame the camera sent is delivered or lost
// for its reason; the only frames counted beyond them are those the camera numbered and never
// sent (its queue overflows when the host is late to read, which a loaded machine can make so).
TEST_F(StreamStory, ASlowConsumerIsToldWhatItMissed) {
    ASSERT_EQ(OviluxSim_SetSpeed(OVILUX_SIM_SPEED_REALTIME), 1);
    ASSERT_EQ(Ovilux_SetWaitTime(handle_, 250), 1);
    const uint32_t produced = FramesProduced();
    const uint32_t sentBefore = FramesSent();
    StartLive();
    ReadFrames(5, 10000);
    ASSERT_EQ(Ovilux_StopPreview(handle_), 1);
    ExpectFramesInOrder();
    const OviluxStreamStatistics s = Statistics();
    EXPECT_GT(s.lostSlow, 0u);
    EXPECT_GE(s.delivered, 5u);
    uint32_t toldLost = 0;
    for (size_t i = 1; i < seen_.size(); ++i) {
        toldLost += seen_[i].lostBefore;
    }
    EXPECT_GT(toldLost, 0u);
    const uint64_t sent = FramesSent() - sentBefore;
    EXPECT_EQ(s.delivered + Lost(s) - s.lostHeaderTimeout, sent)
        << "delivered " << s.delivered << ", overtaken " << s.lostSlow << ", incomplete " << s.lostIncomplete
        << ", wrong size " << s.lostWrongSize;
    EXPECT_LE(sent + s.lostHeaderTimeout, FramesProduced() - produced);
    EXPECT_GE(s.delivered + Lost(s), uint64_t{seen_.back().frameNumber} - seen_.front().frameNumber + 1);
}

// A camera unplugged during live view: frames that had come but were not taken are lost with
// the camera, the counts stand still from then on, and a camera plugged in again numbers its
// frames afresh while the session's counts go on.
TEST_F(StreamStory, AnUnplugEndsTheStoryOfThatStreamAndTheNextCameraStartsAnew) {
    const uint32_t sentBefore = FramesSent();
    StartLive();
    ReadFrames(20, 5000);
    const uint32_t producedByTheFirst = FramesProduced();
    // The camera falls silent before it goes, so that what it sent can still be read.
    ASSERT_EQ(OviluxSim_Stall(0, 600000), 1);
    const uint64_t sent = FramesSent() - sentBefore;
    ASSERT_EQ(OviluxSim_Detach(0), 1);
    const std::vector<intptr_t> codes = AwaitNotified(notify_, OVILUX_CODE_CAMERA_LOST, PatienceMs(10000));
    ASSERT_NE(std::find(codes.begin(), codes.end(), OVILUX_CODE_CAMERA_LOST), codes.end());
    const OviluxStreamStatistics lost = Statistics();
    EXPECT_GE(lost.delivered, 20u);
    EXPECT_EQ(lost.delivered + Lost(lost) - lost.lostHeaderTimeout, sent)
        << "delivered " << lost.delivered << ", camera lost " << lost.lostCameraLost << ", overtaken "
        << lost.lostSlow << ", incomplete " << lost.lostIncomplete;
    ASSERT_EQ(Ovilux_StopPreview(handle_), 1);
    const OviluxStreamStatistics stopped = Statistics();
    EXPECT_EQ(stopped.delivered, lost.delivered);
    EXPECT_EQ(Lost(stopped), Lost(lost)) << "a lost stream is settled once";
    EXPECT_EQ(stopped.lostWrongSize + stopped.lostBufferTooSmall, 0u);

    Drain(callback_);  // the first camera's frame messages
    ASSERT_EQ(OviluxSim_Attach(0x3030, 0), 0);
    ASSERT_EQ(Ovilux_SetDeviceNumber(handle_, 0), 1);
    PopAll(handle_);
    seen_.clear();
    StartLive();
    ReadFrames(2, 3000);
    ASSERT_EQ(Ovilux_StopPreview(handle_), 1);
    EXPECT_LT(seen_.front().frameNumber, producedByTheFirst) << "a new camera counts from its start";
    EXPECT_GT(Statistics().delivered, stopped.delivered);
}

TEST(StreamStoryArguments, UnknownHandlesAndNullRecordsAreRefused) {
    OviluxStreamStatistics s{};
    OviluxFrameMetadata m{};
    EXPECT_EQ(OviluxStream_GetStatistics(0xDEAD, &s), 0);
    EXPECT_EQ(OviluxStream_GetLastFrame(0xDEAD, &m), 0);
    EXPECT_EQ(OviluxStream_ResetStatistics(0xDEAD), 0);
    const uint32_t handle = Ovilux_Initialize(nullptr);
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(OviluxStream_GetStatistics(handle, nullptr), 0);
    EXPECT_EQ(OviluxStream_GetLastFrame(handle, nullptr), 0);
    EXPECT_EQ(OviluxStream_GetStatistics(handle, &s), 1);
    EXPECT_EQ(s.delivered, 0u);
    Ovilux_Release(handle);
}

}  // namespace
}  // namespace ovilux::test
