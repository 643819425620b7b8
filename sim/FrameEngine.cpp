// FrameEngine.cpp - the camera's frame timeline.
#include "sim/FrameEngine.h"

#include "sim/Fpga.h"
#include "sim/ImageSensor.h"

namespace ovilux::sim {

CFrameEngine::CFrameEngine(const CImageSensor& sensor, CFpga& fpga, SimSpeed speed, SimClock::time_point now)
    : sensor_(sensor), fpga_(fpga), speed_(speed), mode_(CurrentMode()), nextDue_(now + Period()) {}

CFrameEngine::Mode CFrameEngine::CurrentMode() const {
    if (sensor_.InReset()) {
        return Mode::Held;
    }
    return fpga_.TriggerEnabled() && sensor_.SnapshotMode() ? Mode::Triggered : Mode::FreeRunning;
}

SimClock::duration CFrameEngine::Period() const {
    return std::chrono::duration_cast<SimClock::duration>(sensor_.FramePeriod());
}

void CFrameEngine::Advance(SimClock::time_point now) {
    if (speed_ == SimSpeed::Fast) {
        return;
    }
    if (mode_ == Mode::Triggered) {
        if (triggeredDue_ && *triggeredDue_ <= now) {
            Produce(*triggeredDue_, true);
            triggeredDue_.reset();
        }
        return;
    }
    if (mode_ != Mode::FreeRunning) {
        return;
    }
    const SimClock::duration period = Period();
    // Far behind (nobody asked for a while): count the frames that only the queue would have
    // pushed out again, and produce the last few.
    if (now - nextDue_ > period * static_cast<int>(kFrameQueueDepth + 1)) {
        const auto skipped = (now - nextDue_) / period - kFrameQueueDepth;
        produced_ += static_cast<uint32_t>(skipped);
        nextDue_ += period * skipped;
    }
    while (nextDue_ <= now) {
        Produce(nextDue_, false);
        nextDue_ += period;
    }
}

void CFrameEngine::Reconcile(SimClock::time_point now) {
    const Mode mode = CurrentMode();
    if (mode != mode_) {
        // Entering or leaving trigger mode or reset abandons the frame in progress.
        triggeredDue_.reset();
        nextDue_ = now + Period();
        mode_ = mode;
    }
    // The FPGA's reset pulse resets its transfer state only: the sensor's exposure and frame
    // period go on, so a frame longer than the host's header retries still completes. In
    // trigger mode an idle sensor takes a frame on it, which lets the host latch a frame count.
    if (fpga_.TakeResetPulse() && mode_ == Mode::Triggered && !triggeredDue_) {
        StartTriggeredFrame(now);
    }
}

void CFrameEngine::SetSpeed(SimSpeed speed, SimClock::time_point now) {
    Advance(now);
    speed_ = speed;
    nextDue_ = now + Period();
    if (triggeredDue_) {
        triggeredDue_.reset();
        StartTriggeredFrame(now);
    }
}

bool CFrameEngine::Trigger(SimClock::time_point now) {
    Advance(now);
    if (mode_ != Mode::Triggered || triggeredDue_) {
        return false;
    }
    StartTriggeredFrame(now);
    return true;
}

void CFrameEngine::StartTriggeredFrame(SimClock::time_point now) {
    if (speed_ == SimSpeed::Fast) {
        Produce(now, true);
    } else {
        triggeredDue_ = now + Period();
    }
}

std::optional<CFrameRecord> CFrameEngine::Take(SimClock::time_point now) {
    Advance(now);
    if (queueSize_ == 0 && speed_ == SimSpeed::Fast && mode_ == Mode::FreeRunning) {
        Produce(now, false);
    }
    if (queueSize_ == 0) {
        return std::nullopt;
    }
    CFrameRecord frame = queue_[queueHead_];
    queueHead_ = (queueHead_ + 1) % kFrameQueueDepth;
    --queueSize_;
    return frame;
}

void CFrameEngine::DropAll(SimClock::time_point now) {
    queueSize_ = 0;
    triggeredDue_.reset();
    nextDue_ = now + Period();
}

SimClock::time_point CFrameEngine::NextFrameTime() const {
    if (speed_ == SimSpeed::Fast) {
        return SimClock::time_point::max();
    }
    if (mode_ == Mode::FreeRunning) {
        return nextDue_;
    }
    return triggeredDue_.value_or(SimClock::time_point::max());
}

void CFrameEngine::Produce(SimClock::time_point when, bool triggered) {
    ++produced_;
    fpga_.SetFrameCounter(static_cast<uint8_t>(produced_));
    if (queueSize_ == kFrameQueueDepth) {
        queueHead_ = (queueHead_ + 1) % kFrameQueueDepth;
        --queueSize_;
    }
    CFrameRecord& slot = queue_[(queueHead_ + queueSize_) % kFrameQueueDepth];
    slot.number = produced_;
    slot.time = when;
    slot.triggered = triggered;
    slot.settings = CFrameSettings::FromRegisters(sensor_, fpga_);
    ++queueSize_;
}

}  // namespace ovilux::sim
