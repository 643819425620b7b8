// Clock.cpp - the multimedia timer clock and sleeps on Windows.
#include "platform/Clock.h"

#include <windows.h>
#include <timeapi.h>

namespace ovilux::platform {

uint32_t TimeGetTime() { return static_cast<uint32_t>(::timeGetTime()); }
uint32_t GetTickCount() { return static_cast<uint32_t>(::GetTickCount()); }
void SleepMs(uint32_t milliseconds) { ::Sleep(milliseconds); }

TimerResolutionScope::TimerResolutionScope(uint32_t milliseconds)
    : milliseconds_(milliseconds), active_(::timeBeginPeriod(milliseconds) == TIMERR_NOERROR) {}

TimerResolutionScope::~TimerResolutionScope() {
    if (active_) {
        ::timeEndPeriod(milliseconds_);
    }
}

}  // namespace ovilux::platform
