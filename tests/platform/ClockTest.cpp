// The millisecond clocks: they advance with sleeps, and elapsed time survives the 32-bit wrap.
#include <gtest/gtest.h>

#include "platform/Clock.h"

using namespace ovilux::platform;

TEST(Clock, ElapsedTimeAcrossTheWrap) {
    EXPECT_EQ(ElapsedMs(0xFFFFFFF0u, 0x00000010u), 0x20u);
    EXPECT_EQ(ElapsedMs(100u, 350u), 250u);
    EXPECT_EQ(ElapsedMs(0xFFFFFFFFu, 0u), 1u);
}

TEST(Clock, AdvancesWithSleep) {
    TimerResolutionScope resolution(1);
    const uint32_t start = TimeGetTime();
    const uint32_t ticksStart = GetTickCount();
    SleepMs(60);
    const uint32_t elapsed = ElapsedMs(start, TimeGetTime());
    EXPECT_GE(elapsed, 55u);
    EXPECT_LT(elapsed, 2000u);
    EXPECT_GE(ElapsedMs(ticksStart, GetTickCount()), 40u);
}
