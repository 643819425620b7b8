// The critical section: recursive for its owner, exclusive across threads.
#include <gtest/gtest.h>

#include <thread>

#include "platform/CriticalSection.h"

using namespace ovilux::platform;

TEST(CriticalSection, RecursiveForOwnerExclusiveForOthers) {
    CriticalSection section;
    section.Enter();
    EXPECT_TRUE(section.TryEnter()) << "the owner may enter again";
    bool otherGotIn = true;
    std::thread([&] { otherGotIn = section.TryEnter(); }).join();
    EXPECT_FALSE(otherGotIn);
    section.Leave();
    section.Leave();
    std::thread([&] {
        otherGotIn = section.TryEnter();
        if (otherGotIn) {
            section.Leave();
        }
    }).join();
    EXPECT_TRUE(otherGotIn);
}

TEST(CriticalSection, SerialisesIncrements) {
    CriticalSection section;
    long counter = 0;
    auto work = [&] {
        for (int i = 0; i < 20000; ++i) {
            CriticalSectionLock lock(section);
            ++counter;
        }
    };
    std::thread a(work), b(work);
    a.join();
    b.join();
    EXPECT_EQ(counter, 40000);
}
