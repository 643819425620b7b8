// Events: which waiters a Set releases, timeouts, and names that join one object.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "platform/Event.h"
#include "support/Patience.h"

using namespace ovilux::platform;

namespace {

// Starts waiters on the event, signals it once they are all about to wait, and returns how many
// were released. Counted after the waiters end, so a waiter that a loaded machine wakes late still
// counts; a waiter the signal does not release gives up after its (scaled) wait.
int ReleasedWaiters(Event& event, int waiters, void (*signal)(Event&)) {
    std::atomic<int> ready{0};
    std::atomic<int> released{0};
    const uint32_t waitMs = ovilux::test::PatienceMs(600);
    std::vector<std::thread> threads;
    for (int i = 0; i < waiters; ++i) {
        threads.emplace_back([&] {
            ++ready;
            if (event.Wait(waitMs) == WaitResult::Signalled) {
                ++released;
            }
        });
    }
    while (ready.load() < waiters) {
        std::this_thread::yield();
    }
    SleepMs(100);  // from "about to wait" to blocked in the wait
    signal(event);
    for (auto& t : threads) {
        t.join();
    }
    return released.load();
}

}  // namespace

TEST(Event, AutoResetReleasesOneWaiterAndClears) {
    Event event(EventReset::Auto, false);
    ASSERT_TRUE(event.IsValid());
    EXPECT_EQ(ReleasedWaiters(event, 3, [](Event& e) { e.Set(); }), 1);
    EXPECT_EQ(event.Wait(0), WaitResult::TimedOut) << "the released waiter must have cleared the event";
}

TEST(Event, ManualResetReleasesAllAndStaysSet) {
    Event event(EventReset::Manual, false);
    EXPECT_EQ(ReleasedWaiters(event, 3, [](Event& e) { e.Set(); }), 3);
    EXPECT_EQ(event.Wait(0), WaitResult::Signalled);
    EXPECT_EQ(event.Wait(0), WaitResult::Signalled);
    event.Reset();
    EXPECT_EQ(event.Wait(0), WaitResult::TimedOut);
}

TEST(Event, InitialStateAndTimedWait) {
    Event set(EventReset::Auto, true);
    EXPECT_EQ(set.Wait(0), WaitResult::Signalled);
    EXPECT_EQ(set.Wait(0), WaitResult::TimedOut);

    Event never(EventReset::Manual, false);
    const uint32_t start = TimeGetTime();
    EXPECT_EQ(never.Wait(120), WaitResult::TimedOut);
    const uint32_t elapsed = ElapsedMs(start, TimeGetTime());
    EXPECT_GE(elapsed, 100u);
    EXPECT_LT(elapsed, 1000u);
}

TEST(Event, SameNameIsOneObjectAndOtherNamesAreNot) {
    Event first(EventReset::Auto, false, "ovilux-test-event-a");
    Event second(EventReset::Auto, false, "ovilux-test-event-a");
    Event other(EventReset::Auto, false, "ovilux-test-event-b");
    first.Set();
    EXPECT_EQ(other.Wait(0), WaitResult::TimedOut);
    EXPECT_EQ(second.Wait(0), WaitResult::Signalled);
    EXPECT_EQ(first.Wait(0), WaitResult::TimedOut) << "one auto-reset signal serves one wait, whichever handle";
}

// A completion sets the event of a caller whose wait may end on its own at any moment; the
// caller then destroys the event. Whatever the interleaving, Set must be done with the event
// before the waiter can see it set (AddressSanitizer and ThreadSanitizer watch every round).
TEST(Event, ASetterIsDoneWithTheEventBeforeItsWaiterCanFreeIt) {
    constexpr int kRounds = 4000;
    for (int round = 0; round < kRounds; ++round) {
        auto* event = new Event(round % 2 == 0 ? EventReset::Auto : EventReset::Manual, false);
        std::thread setter([event] { event->Set(); });
        // The waiter polls, as a transfer's caller whose timed wait runs out does.
        while (event->Wait(round % 3 == 0 ? 1 : 0) != WaitResult::Signalled) {
        }
        delete event;
        setter.join();
    }
}
