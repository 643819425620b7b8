// StreamAccount.cpp - counting frames in and out of the ring, and the ones lost on the way.
#include "camera/StreamAccount.h"

namespace ovilux::camera {

void CStreamAccount::BeginRun() { numbered_ = false; }

void CStreamAccount::Numbered(uint32_t number) {
    // A number not above the last is a camera that started counting again (powered anew):
    // nothing is known to be missing then.
    if (numbered_ && number > lastNumber_) {
        losses_.missing += number - lastNumber_ - 1;
    }
    numbered_ = true;
    lastNumber_ = number;
}

void CStreamAccount::Taken(uint64_t sequence) {
    const uint64_t previous = taken_.load();
    if (sequence <= previous) {
        return;  // a frame taken again says nothing new
    }
    losses_.notTaken += sequence - previous - 1;
    taken_ = sequence;
}

void CStreamAccount::Settle(bool cameraLost) {
    const uint64_t ringed = ringed_.load();
    const uint64_t previous = taken_.exchange(ringed);
    if (ringed > previous) {
        (cameraLost ? losses_.cameraLost : losses_.notTaken) += ringed - previous;
    }
}

StreamLosses CStreamAccount::Losses() const {
    StreamLosses losses;
    losses.missing = losses_.missing;
    losses.wrongSize = losses_.wrongSize;
    losses.incomplete = losses_.incomplete;
    losses.notTaken = losses_.notTaken;
    losses.cameraLost = losses_.cameraLost;
    return losses;
}

void CStreamAccount::Reset() {
    losses_.missing = 0;
    losses_.wrongSize = 0;
    losses_.incomplete = 0;
    losses_.notTaken = 0;
    losses_.cameraLost = 0;
}

}  // namespace ovilux::camera
