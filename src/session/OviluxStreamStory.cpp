// OviluxStreamStory.cpp - the session's account of the frames it delivered and lost.
#include "camera/OviluxUXBase.h"
#include "session/Ovilux.h"

namespace ovilux::session {

void COvilux::AccountFrame(bool delivered) {
    if (!delivered) {
        ++bufferTooSmall_;
        return;
    }
    ++delivered_;
    const camera::RingFrameInfo taken = camera_->TakenFrame();
    const uint64_t lost = Statistics().TotalLost();
    DeliveredFrame frame;
    frame.number = taken.number;
    // Counts only go down by a reset, which also restarts this difference.
    frame.lostBefore = lost > lostAtLastFrame_ ? static_cast<uint32_t>(lost - lostAtLastFrame_) : 0;
    frame.arrivalNs = taken.arrivalNs;
    frame.exposureMicroseconds = analog_.exposure * 100;
    frame.globalGain = analog_.globalGain;
    frame.gainRed = analog_.colorGainRed;
    frame.gainGreen1 = analog_.colorGainGreen1;
    frame.gainGreen2 = analog_.colorGainGreen2;
    frame.gainBlue = analog_.colorGainBlue;
    lostAtLastFrame_ = lost;
    platform::CriticalSectionLock hold(storyLock_);
    lastFrame_ = frame;
}

std::optional<DeliveredFrame> COvilux::LastFrame() {
    platform::CriticalSectionLock hold(storyLock_);
    return lastFrame_;
}

StreamStatistics COvilux::Statistics() const {
    StreamStatistics statistics;
    statistics.delivered = delivered_;
    statistics.bufferTooSmall = bufferTooSmall_;
    if (camera_) {
        statistics.losses = camera_->Losses();
    }
    return statistics;
}

void COvilux::ResetStatistics() {
    platform::CriticalSectionLock images(imageLock_);
    delivered_ = 0;
    bufferTooSmall_ = 0;
    if (camera_) {
        camera_->ResetLosses();
    }
    lostAtLastFrame_ = 0;
}

}  // namespace ovilux::session
