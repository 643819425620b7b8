// StreamAccount.h - the account of every frame a camera numbered on its way to the consumer:
// placed in the frame ring and taken, or lost with the reason it was lost.
//
// Threads: the transfer thread reports what it reads (Numbered, WrongSize, Incomplete, Ringed);
// the consumer reports what it takes (Taken) and settles a transfer that ended (Settle) while no
// transfer runs; any thread may read the counts or reset them.
#pragma once

#include <atomic>
#include <cstdint>

namespace ovilux::camera {

// Frames lost since the account was made or reset, by reason.
struct StreamLosses {
    uint64_t missing = 0;     // numbered by the camera, never came (their headers timed out)
    uint64_t wrongSize = 0;   // announced another size than the window's
    uint64_t incomplete = 0;  // their payload came short or a chunk of it failed
    uint64_t notTaken = 0;    // reached the ring, overtaken by newer frames or left when the stream stopped
    uint64_t cameraLost = 0;  // reached the ring, still waiting there when the camera was lost

    uint64_t Total() const { return missing + wrongSize + incomplete + notTaken + cameraLost; }
};

class CStreamAccount {
public:
    // A transfer starts: the camera's numbering is followed afresh.
    void BeginRun();
    // The transfer read the header of the camera's frame number: the numbers it skipped since
    // the last header of this transfer are frames that never came.
    void Numbered(uint32_t number);
    void WrongSize() { ++losses_.wrongSize; }
    void Incomplete() { ++losses_.incomplete; }
    // A frame reached the ring; returns its place in the order of arrival (from 1).
    uint64_t Ringed() { return ringed_.fetch_add(1) + 1; }
    // The consumer took the frame of that place: the frames that arrived between the one it
    // took last and this one were overtaken.
    void Taken(uint64_t sequence);
    // No transfer runs: frames still in the ring will never be taken.
    void Settle(bool cameraLost);
    StreamLosses Losses() const;
    void Reset();

private:
    struct AtomicLosses {
        std::atomic<uint64_t> missing{0};
        std::atomic<uint64_t> wrongSize{0};
        std::atomic<uint64_t> incomplete{0};
        std::atomic<uint64_t> notTaken{0};
        std::atomic<uint64_t> cameraLost{0};
    };

    AtomicLosses losses_;
    std::atomic<uint64_t> ringed_{0};
    std::atomic<uint64_t> taken_{0};
    bool numbered_ = false;  // the transfer thread's own
    uint32_t lastNumber_ = 0;
};

}  // namespace ovilux::camera
