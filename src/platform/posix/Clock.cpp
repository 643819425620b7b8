// Clock.cpp - millisecond clocks on POSIX from the monotonic clock.
#include "platform/Clock.h"

#include <time.h>

#include <cerrno>

namespace ovilux::platform {

uint32_t TimeGetTime() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

uint32_t GetTickCount() { return TimeGetTime(); }

void SleepMs(uint32_t milliseconds) {
    timespec remaining{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

uint64_t ThreadCpuNs() {
    timespec used{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used);
    return static_cast<uint64_t>(used.tv_sec) * 1000000000u + static_cast<uint64_t>(used.tv_nsec);
}

TimerResolutionScope::TimerResolutionScope(uint32_t milliseconds) : milliseconds_(milliseconds), active_(false) {}
TimerResolutionScope::~TimerResolutionScope() = default;

}  // namespace ovilux::platform
