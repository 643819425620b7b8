// FrameLosses.cpp - the gap between two frame numbers, told by reason.
#include "FrameLosses.h"

#include <algorithm>

namespace ovilux_gst {

namespace {

uint64_t Grown(uint64_t now, uint64_t before) { return now > before ? now - before : 0; }

}  // namespace

const char* LossCounts::MainReason() const {
    const struct {
        uint64_t count;
        const char* name;
    } reasons[] = {{headerTimeout, "header-timeout"}, {wrongSize, "wrong-size"},   {incomplete, "incomplete"},
                   {slow, "slow"},                    {cameraLost, "camera-lost"}, {bufferTooSmall, "buffer-too-small"}};
    const char* main = "slow";
    uint64_t most = 0;
    for (const auto& reason : reasons) {
        if (reason.count > most) {
            most = reason.count;
            main = reason.name;
        }
    }
    return main;
}

void FrameLosses::Restart(const OviluxStreamStatistics& library) {
    started_ = false;
    seen_ = library;
    pending_ = {};
}

LossCounts FrameLosses::Next(uint32_t number, const OviluxStreamStatistics& library) {
    // The library's counts grow when it passes a frame over, which may be after the frame this
    // buffer carries was taken: new counts wait in the pool until a gap in the numbers shows
    // where their frames were.
    pending_.headerTimeout += Grown(library.lostHeaderTimeout, seen_.lostHeaderTimeout);
    pending_.wrongSize += Grown(library.lostWrongSize, seen_.lostWrongSize);
    pending_.incomplete += Grown(library.lostIncomplete, seen_.lostIncomplete);
    pending_.slow += Grown(library.lostSlow, seen_.lostSlow);
    pending_.cameraLost += Grown(library.lostCameraLost, seen_.lostCameraLost);
    pending_.bufferTooSmall += Grown(library.lostBufferTooSmall, seen_.lostBufferTooSmall);
    seen_ = library;
    const bool first = !started_;
    // Frame numbers are 32-bit and wrap; the difference does too.
    uint64_t gap = first ? 0 : static_cast<uint32_t>(number - previous_ - 1);
    started_ = true;
    previous_ = number;
    ++delivered_;
    if (first) {
        pending_ = {};  // what the library lost before this stream's first frame is not this stream's
        return {};
    }
    LossCounts lost;
    for (uint64_t LossCounts::*reason : {&LossCounts::headerTimeout, &LossCounts::wrongSize, &LossCounts::incomplete,
                                         &LossCounts::cameraLost, &LossCounts::bufferTooSmall, &LossCounts::slow}) {
        const uint64_t taken = std::min(gap, pending_.*reason);
        lost.*reason += taken;
        pending_.*reason -= taken;
        gap -= taken;
    }
    // Frames the library delivered but a newer one overtook before they were copied count nowhere
    // in its statistics: they were too slow for the pipeline.
    lost.slow += gap;
    total_.headerTimeout += lost.headerTimeout;
    total_.wrongSize += lost.wrongSize;
    total_.incomplete += lost.incomplete;
    total_.slow += lost.slow;
    total_.cameraLost += lost.cameraLost;
    total_.bufferTooSmall += lost.bufferTooSmall;
    return lost;
}

}  // namespace ovilux_gst
