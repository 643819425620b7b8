// Clock.h - the millisecond clocks, sleeps and timer resolution the library times itself with.
#pragma once

#include <chrono>
#include <cstdint>

namespace ovilux::platform {

// Milliseconds since an arbitrary start; 32 bits, wrapping about every 49.7 days.
uint32_t TimeGetTime();
uint32_t GetTickCount();

// Milliseconds from start to now on a wrapping 32-bit clock.
constexpr uint32_t ElapsedMs(uint32_t start, uint32_t now) { return now - start; }

void SleepMs(uint32_t milliseconds);

// Nanoseconds on the monotonic clock since an arbitrary start, the same for every thread of the
// process; for stamping frames, never wrapping in practice.
inline uint64_t MonotonicNs() {
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

// The CPU time the calling thread has used, in nanoseconds: for telling apart what different
// parts of a process cost when they run on the same threads.
uint64_t ThreadCpuNs();

// Asks for a timer resolution of the given milliseconds while in scope (timeBeginPeriod /
// timeEndPeriod on Windows; POSIX timers need no such request).
class TimerResolutionScope {
public:
    explicit TimerResolutionScope(uint32_t milliseconds);
    ~TimerResolutionScope();
    TimerResolutionScope(const TimerResolutionScope&) = delete;
    TimerResolutionScope& operator=(const TimerResolutionScope&) = delete;

private:
    uint32_t milliseconds_;
    bool active_;
};

}  // namespace ovilux::platform
