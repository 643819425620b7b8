// FrameEngine.h - when the camera produces frames: free running with the sensor's frame period
// (or on demand, as fast as they are read, in fast mode), one per trigger in trigger mode, none
// while the sensor is held in reset. Produced frames wait in the FPGA's small queue, where a
// new frame pushes out the oldest. Time is evaluated lazily: Advance catches up to now.
#pragma once

#include <array>
#include <optional>

#include "sim/FrameSettings.h"
#include "sim/SimConstants.h"

namespace ovilux::sim {

class CImageSensor;
class CFpga;

struct CFrameRecord {
    uint32_t number = 0;  // frames produced since plug-in, this one included
    SimClock::time_point time{};
    bool triggered = false;
    CFrameSettings settings;
};

class CFrameEngine {
public:
    CFrameEngine(const CImageSensor& sensor, CFpga& fpga, SimSpeed speed, SimClock::time_point now);

    // Produces the frames due by now. Call before register traffic, so that frames completed
    // earlier carry the settings they were taken with.
    void Advance(SimClock::time_point now);
    // Takes note of register traffic: trigger mode and reset entered or left, a reset pulse.
    void Reconcile(SimClock::time_point now);
    void SetSpeed(SimSpeed speed, SimClock::time_point now);
    // The trigger input; true when it started a frame (trigger mode, sensor not busy).
    bool Trigger(SimClock::time_point now);
    // The oldest queued frame; in fast mode a free-running camera makes one on demand.
    std::optional<CFrameRecord> Take(SimClock::time_point now);
    // Drops the queued frames and the one in progress.
    void DropAll(SimClock::time_point now);

    uint32_t FramesProduced() const { return produced_; }
    // When the next frame completes; max when none is scheduled.
    SimClock::time_point NextFrameTime() const;

private:
    enum class Mode { FreeRunning, Triggered, Held };

    Mode CurrentMode() const;
    SimClock::duration Period() const;
    void StartTriggeredFrame(SimClock::time_point now);
    void Produce(SimClock::time_point when, bool triggered);

    const CImageSensor& sensor_;
    CFpga& fpga_;
    SimSpeed speed_;
    Mode mode_;
    SimClock::time_point nextDue_;
    std::optional<SimClock::time_point> triggeredDue_;
    uint32_t produced_ = 0;
    std::array<CFrameRecord, kFrameQueueDepth> queue_{};
    uint32_t queueHead_ = 0;
    uint32_t queueSize_ = 0;
};

}  // namespace ovilux::sim
