// The camera's own timing in realtime mode: frame periods from line length and frame lines at
// the 96 MHz pixel clock, long shutters, triggers, stream resets and the FPGA's reset pulse.
// In fast mode, no pace at all, however long the shutter.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "SimFixture.h"
#include "support/Patience.h"

using namespace ovilux::simtest;
using Clock = std::chrono::steady_clock;

namespace {

constexpr double kPixelClockHz = 96e6;

// The frame period the library computes for a full-resolution window at the origin.
double FormulaSeconds(uint32_t width, uint32_t height, uint32_t shutterLines = 0) {
    const double lines = std::max<double>(height + 25, shutterLines + 1);
    return (width + 956) * lines / kPixelClockHz;
}

struct Edge {
    Clock::time_point time;
    uint8_t count = 0;
    bool seen = false;
};

// Polls FPGA register 8 until it differs from its value at the call.
Edge NextFrameEdge(SimHost& host, std::chrono::milliseconds limit) {
    Edge edge;
    const auto start = host.FpgaRead(8);
    const auto patience = ovilux::test::PatienceMs(static_cast<uint32_t>(limit.count()));
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(patience);
    while (start && Clock::now() < deadline) {
        const auto now = host.FpgaRead(8);
        if (now && *now != *start) {
            edge.time = Clock::now();
            edge.count = *now;
            edge.seen = true;
            return edge;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return edge;
}

// The mean frame period over about the given span, from frame counter edges.
double MeasuredSeconds(SimHost& host, std::chrono::milliseconds span) {
    const Edge first = NextFrameEdge(host, std::chrono::milliseconds(2000));
    std::this_thread::sleep_for(span);
    const Edge last = NextFrameEdge(host, std::chrono::milliseconds(2000));
    if (!first.seen || !last.seen) {
        ADD_FAILURE() << "the frame counter stood still";
        return 0;
    }
    const uint8_t frames = static_cast<uint8_t>(last.count - first.count);
    return std::chrono::duration<double>(last.time - first.time).count() / frames;
}

// A test process that the scheduler holds back sees an edge late and measures a period off by
// that delay, so a measurement outside the tolerance is taken again, up to three times in all.
// A camera whose pace is wrong fails every one of them.
template <typename Measure>
void ExpectPeriodNear(Measure measure, double expected, double tolerance) {
    double period = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        period = measure();
        if (std::abs(period - expected) <= tolerance) {
            return;
        }
    }
    EXPECT_NEAR(period, expected, tolerance);
}

class Realtime : public SimCameraTest {
protected:
    ovilux::sim::SimSpeed Speed() const override { return ovilux::sim::SimSpeed::Realtime; }

    void SetUp() override {
        SimCameraTest::SetUp();
        ASSERT_TRUE(host_->StartPll());
        ASSERT_TRUE(host_->SetWindow(0, 0, 640, 480, 0));
        ASSERT_TRUE(host_->SensorWrite(0x09, 100));
    }
};

TEST_F(Realtime, FramePeriodsFollowLineLengthTimesFrameLines) {
    const double small = FormulaSeconds(640, 480);
    ExpectPeriodNear([&] { return MeasuredSeconds(*host_, std::chrono::milliseconds(600)); }, small, 0.1 * small);
    ASSERT_TRUE(host_->SetWindow(0, 0, 2592, 1944, 0));
    const double full = FormulaSeconds(2592, 1944);
    EXPECT_NEAR(full, 1 / 13.7, 0.001);
    ExpectPeriodNear([&] { return MeasuredSeconds(*host_, std::chrono::milliseconds(1200)); }, full, 0.1 * full);
}

TEST_F(Realtime, AShutterLongerThanTheFrameStretchesIt) {
    ASSERT_TRUE(host_->SensorWrite(0x09, 3000));
    const double expected = FormulaSeconds(640, 480, 3000);
    ExpectPeriodNear([&] { return MeasuredSeconds(*host_, std::chrono::milliseconds(700)); }, expected,
                     0.1 * expected);
}

TEST_F(Realtime, FramesArriveAtTheSensorsPace) {
    std::vector<uint8_t> header, payload;
    for (int i = 0; i < 5; ++i) {  // the first frames render their noise variants
        ASSERT_TRUE(host_->ReadFrame(header, payload));
    }
    // Frames the FPGA queued while the reader was busy would arrive at once and shorten the
    // measured period, so each measurement starts on a fresh frame after a stream reset.
    const auto measure = [&]() -> double {
        if (!host_->ResetStream() || !host_->ReadFrame(header, payload)) {
            ADD_FAILURE() << "no fresh frame after a stream reset";
            return 0;
        }
        const Clock::time_point start = Clock::now();
        const uint32_t first = Le32(&header[32]);
        for (int i = 0; i < 60; ++i) {
            if (!host_->ReadFrame(header, payload)) {
                ADD_FAILURE() << "the stream ended";
                return 0;
            }
        }
        const uint32_t frames = Le32(&header[32]) - first;
        EXPECT_GE(frames, 60u);
        return std::chrono::duration<double>(Clock::now() - start).count() / frames;
    };
    ExpectPeriodNear(measure, FormulaSeconds(640, 480), 0.1 * FormulaSeconds(640, 480));
}

TEST_F(Realtime, ATriggerTakesOneFrameInTheSensorsTime) {
    ASSERT_TRUE(host_->FpgaWrite(36, 1));
    ASSERT_TRUE(host_->SensorWrite(0x1E, static_cast<uint16_t>(*host_->SensorRead(0x1E) | 0x0310)));
    const uint8_t before = *host_->FpgaRead(8);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(host_->FpgaRead(8), before) << "no frames without a trigger";
    const Clock::time_point triggered = Clock::now();
    ASSERT_TRUE(camera_->Trigger());
    EXPECT_FALSE(camera_->Trigger()) << "busy with the triggered frame";
    std::vector<uint8_t> header, payload;
    ASSERT_TRUE(host_->ReadFrame(header, payload));
    EXPECT_GE(Clock::now() - triggered, std::chrono::duration<double>(0.9 * FormulaSeconds(640, 480)));
    EXPECT_EQ(host_->FpgaRead(8), static_cast<uint8_t>(before + 1));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(host_->FpgaRead(8), static_cast<uint8_t>(before + 1));
}

TEST_F(Realtime, ResettingTheStreamDropsQueuedFrames) {
    std::this_thread::sleep_for(std::chrono::milliseconds(60));  // several frames queue up
    const uint8_t produced = *host_->FpgaRead(8);
    ASSERT_TRUE(host_->ResetStream());
    const Clock::time_point reset = Clock::now();
    std::vector<uint8_t> header, payload;
    ASSERT_TRUE(host_->ReadFrame(header, payload));
    EXPECT_GE(Clock::now() - reset, std::chrono::duration<double>(0.8 * FormulaSeconds(640, 480)));
    EXPECT_NE(static_cast<uint8_t>(Le32(&header[32])), produced) << "a frame made after the reset";
}

TEST_F(Realtime, TheResetPulseLeavesTheFrameInProgressAlone) {
    // The host pulses at every missed header; a frame longer than its retries must still end.
    ASSERT_TRUE(host_->SensorWrite(0x09, 12000));
    const double period = FormulaSeconds(640, 480, 12000);  // about 200 ms
    const Edge start = NextFrameEdge(*host_, std::chrono::milliseconds(1000));
    ASSERT_TRUE(start.seen);
    for (int pulse = 1; pulse <= 3; ++pulse) {
        std::this_thread::sleep_until(start.time + std::chrono::duration<double>(period * pulse / 4));
        ASSERT_TRUE(host_->FpgaWrite(108, 1));
        ASSERT_TRUE(host_->FpgaWrite(108, 0));
    }
    const Edge next = NextFrameEdge(*host_, std::chrono::milliseconds(1000));
    ASSERT_TRUE(next.seen);
    EXPECT_NEAR(std::chrono::duration<double>(next.time - start.time).count(), period, 0.1 * period);
}

class Fast : public Realtime {
protected:
    ovilux::sim::SimSpeed Speed() const override { return ovilux::sim::SimSpeed::Fast; }
};

// Fast mode drops the sensor's timing whatever the exposure: frames with a shutter of half a
// second each come as fast as they are read, one per read. The bound is the time the sensor
// itself would need for them.
TEST_F(Fast, ALongShutterDoesNotPaceTheFrames) {
    ASSERT_TRUE(host_->SensorWrite(0x09, 30000));
    const double sensorSeconds = FormulaSeconds(640, 480, 30000);
    ASSERT_GT(sensorSeconds, 0.4);
    std::vector<uint8_t> header, payload;
    ASSERT_TRUE(host_->ReadFrame(header, payload));
    const uint32_t first = Le32(&header[32]);
    constexpr int kFrames = 8;
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < kFrames; ++i) {
        ASSERT_TRUE(host_->ReadFrame(header, payload));
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_EQ(Le32(&header[32]) - first, static_cast<uint32_t>(kFrames));
    EXPECT_LT(seconds, kFrames * sensorSeconds);
}

}  // namespace
