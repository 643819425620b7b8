// Clock.cpp - the multimedia timer clock and sleeps on Windows.
#include "platform/Clock.h"

#include <windows.h>
#include <timeapi.h>

namespace ovilux::platform {

uint32_t TimeGetTime() { return static_cast<uint32_t>(::timeGetTime()); }
uint32_t GetTickCount() { return static_cast<uint32_t>(::GetTickCount()); }
void SleepMs(uint32_t milliseconds) { ::Sleep(milliseconds); }

uint64_t ThreadCpuNs() {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user)) {
        return 0;
    }
    const auto hundreds = [](const FILETIME& t) { return (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; };
    return (hundreds(kernel) + hundreds(user)) * 100;
}

TimerResolutionScope::TimerResolutionScope(uint32_t milliseconds)
    : milliseconds_(milliseconds), active_(::timeBeginPeriod(milliseconds) == TIMERR_NOERROR) {}

TimerResolutionScope::~TimerResolutionScope() {
    if (active_) {
        ::timeEndPeriod(milliseconds_);
    }
}

}  // namespace ovilux::platform
