// FrameLosses.h - what the source tells of the frames between two buffers it pushed: how many the
// camera numbered there and why each was not delivered.
#pragma once

#include <cstdint>

#include "OviluxStream.h"

namespace ovilux_gst {

// The library's loss counts, with the frames it delivered that a newer frame overtook before the
// source copied them added to the slow ones.
struct LossCounts {
    uint64_t headerTimeout = 0;
    uint64_t wrongSize = 0;
    uint64_t incomplete = 0;
    uint64_t slow = 0;
    uint64_t cameraLost = 0;
    uint64_t bufferTooSmall = 0;

    uint64_t Total() const { return headerTimeout + wrongSize + incomplete + slow + cameraLost + bufferTooSmall; }
    // The reason most of the frames were lost for, as the element message names it.
    const char* MainReason() const;
};

class FrameLosses {
public:
    // A new stream: nothing seen, nothing lost.
    void Restart(const OviluxStreamStatistics& library);
    // A frame numbered number is going out, with the library's counts now; returns the frames
    // numbered between it and the frame before, by reason (none for a stream's first frame).
    LossCounts Next(uint32_t number, const OviluxStreamStatistics& library);
    // False for a frame number already passed (a message of a frame sent with a newer picture).
    bool IsNewer(uint32_t number) const { return !started_ || static_cast<int32_t>(number - previous_) > 0; }
    // Every frame numbered between two delivered ones since the stream began, by reason.
    const LossCounts& Total() const { return total_; }
    uint64_t Delivered() const { return delivered_; }

private:
    bool started_ = false;
    uint32_t previous_ = 0;
    OviluxStreamStatistics seen_{};
    LossCounts pending_;  // counted by the library, not yet seen as a gap
    LossCounts total_;
    uint64_t delivered_ = 0;
};

}  // namespace ovilux_gst
