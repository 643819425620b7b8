// Threads: bounded join, joins from several callers at once, restart after join, and the
// time-critical hint never failing.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

#include "platform/Clock.h"
#include "platform/Event.h"
#include "platform/Thread.h"

using namespace ovilux::platform;

TEST(Thread, JoinIsBoundedWhileTheBodyRuns) {
    Event release(EventReset::Manual, false);
    Thread thread;
    ASSERT_TRUE(thread.Start([&] { release.Wait(kWaitInfinite); }));
    EXPECT_TRUE(thread.IsRunning());
    EXPECT_FALSE(thread.Start([] {})) << "one body at a time";

    const uint32_t start = TimeGetTime();
    EXPECT_FALSE(thread.Join(100));
    EXPECT_LT(ElapsedMs(start, TimeGetTime()), 1000u);
    EXPECT_TRUE(thread.IsRunning());

    release.Set();
    EXPECT_TRUE(thread.Join(5000));
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_TRUE(thread.Join(0)) << "joining an ended thread again is harmless";
}

TEST(Thread, RestartsAfterJoinAndRunsTimeCritical) {
    std::atomic<int> runs{0};
    Thread thread;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(thread.Start([&] { ++runs; }, ThreadPriority::TimeCritical));
        ASSERT_TRUE(thread.Join(5000));
    }
    EXPECT_EQ(runs.load(), 3);
}

TEST(Thread, DestructorWaitsForTheBody) {
    std::atomic<bool> finished{false};
    {
        Thread thread;
        thread.Start([&] {
            SleepMs(50);
            finished = true;
        });
    }
    EXPECT_TRUE(finished.load());
}

// Several callers join one thread at once, with and without a limit, while it ends: every
// infinite join returns true, the thread is reaped once, and it starts again afterwards.
TEST(Thread, SeveralCallersJoinOneThreadSafely) {
    Thread thread;
    for (int round = 0; round < 50; ++round) {
        Event release(EventReset::Manual, false);
        ASSERT_TRUE(thread.Start([&] { release.Wait(kWaitInfinite); }));
        std::atomic<int> joined{0};
        std::vector<std::unique_ptr<Thread>> joiners;
        for (int i = 0; i < 4; ++i) {
            joiners.push_back(std::make_unique<Thread>());
            ASSERT_TRUE(joiners.back()->Start([&, i] {
                if (i % 2 == 0 ? thread.Join(kWaitInfinite) : (thread.Join(1), thread.Join(kWaitInfinite))) {
                    ++joined;
                }
            }));
        }
        release.Set();
        for (auto& joiner : joiners) {
            ASSERT_TRUE(joiner->Join(kWaitInfinite));
        }
        EXPECT_EQ(joined.load(), 4) << round;
        EXPECT_FALSE(thread.IsRunning());
    }
}
