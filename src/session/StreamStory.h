// StreamStory.h - what a session tells of its frames: the metadata of the frame it delivered
// last, and its counts of frames delivered and lost.
#pragma once

#include <cstdint>

#include "camera/StreamAccount.h"

namespace ovilux::session {

struct DeliveredFrame {
    uint32_t number = 0;
    uint32_t lostBefore = 0;
    uint64_t arrivalNs = 0;
    int32_t exposureMicroseconds = 0;
    int32_t globalGain = 0;
    int32_t gainRed = 0;
    int32_t gainGreen1 = 0;
    int32_t gainGreen2 = 0;
    int32_t gainBlue = 0;
};

struct StreamStatistics {
    uint64_t delivered = 0;
    camera::StreamLosses losses;
    uint64_t bufferTooSmall = 0;

    uint64_t TotalLost() const { return losses.Total() + bufferTooSmall; }
};

}  // namespace ovilux::session
