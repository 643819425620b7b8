// The handle table on its own: the ring's order and lookups, and handle creation that never
// hands out 0 or a handle already in use.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "api/SdkChain.h"

namespace ovilux::api {
namespace {

// Sessions are only stored, never touched: any distinct addresses do.
session::COvilux* FakeSession(int& slot) { return reinterpret_cast<session::COvilux*>(&slot); }

TEST(HandleRing, FindsEveryEntryAndRemovesTheFoundOne) {
    CSdkChain ring;
    int slots[4] = {};
    for (uint32_t key = 1; key <= 4; ++key) {
        ring.Add(CSDKDATA{key * 10, FakeSession(slots[key - 1])});
    }
    EXPECT_EQ(ring.Count(), 4);
    for (uint32_t key = 1; key <= 4; ++key) {
        CSDKDATA* entry = ring.Find(key * 10);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->session, FakeSession(slots[key - 1]));
    }
    EXPECT_EQ(ring.Find(50), nullptr);
    ASSERT_NE(ring.Find(20), nullptr);
    ring.RemoveCurrent();
    EXPECT_EQ(ring.Count(), 3);
    EXPECT_EQ(ring.Find(20), nullptr);
    EXPECT_NE(ring.Find(10), nullptr);
    EXPECT_NE(ring.Find(30), nullptr);
    EXPECT_NE(ring.Find(40), nullptr);
    ring.Clear();
    EXPECT_EQ(ring.Count(), 0);
    EXPECT_EQ(ring.Find(10), nullptr);
}

TEST(HandleRing, RemovingTheLastEntryEmptiesTheRing) {
    CSdkChain ring;
    int slot = 0;
    ring.Add(CSDKDATA{7, FakeSession(slot)});
    EXPECT_EQ(ring.Find(8), nullptr);
    ASSERT_NE(ring.Find(7), nullptr);
    ring.RemoveCurrent();
    EXPECT_EQ(ring.Count(), 0);
    EXPECT_EQ(ring.Find(7), nullptr);
    ring.RemoveCurrent();  // on an empty ring: nothing happens
    EXPECT_EQ(ring.Count(), 0);
}

// A handle source that replays a fixed sequence.
std::vector<uint32_t> g_draws;
size_t g_next = 0;
uint32_t Replay(const CSdkChain&) { return g_draws[g_next++]; }

TEST(HandleCreation, DrawsAgainForZeroAndForHandlesInUse) {
    CSdkChain table;
    int a = 0;
    int b = 0;
    int c = 0;
    g_draws = {0, 5, 5, 0, 5, 9, 5, 9, 11};
    g_next = 0;
    EXPECT_EQ(AddSession(table, FakeSession(a), Replay), 5u);
    EXPECT_EQ(AddSession(table, FakeSession(b), Replay), 9u);
    EXPECT_EQ(AddSession(table, FakeSession(c), Replay), 11u);
    EXPECT_EQ(g_next, g_draws.size());
    EXPECT_EQ(FindSession(table, 5), FakeSession(a));
    EXPECT_EQ(FindSession(table, 9), FakeSession(b));
    EXPECT_EQ(FindSession(table, 11), FakeSession(c));
    EXPECT_EQ(RemoveSession(table, 9), FakeSession(b));
    EXPECT_EQ(RemoveSession(table, 9), nullptr);
    EXPECT_EQ(FindSession(table, 5), FakeSession(a));
    EXPECT_EQ(FindSession(table, 11), FakeSession(c));
}

// Adding and removing beside lookups on other threads must not corrupt the ring.
TEST(HandleCreation, ConcurrentAddRemoveAndLookupKeepTheRingWhole) {
    CSdkChain table;
    int anchor = 0;
    const uint32_t kept = AddSession(table, FakeSession(anchor));
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&table] {
            int slot = 0;
            for (int i = 0; i < 2000; ++i) {
                const uint32_t handle = AddSession(table, FakeSession(slot));
                ASSERT_NE(handle, 0u);
                ASSERT_EQ(RemoveSession(table, handle), FakeSession(slot));
            }
        });
    }
    for (int i = 0; i < 4000; ++i) {
        ASSERT_EQ(FindSession(table, kept), FakeSession(anchor));
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(table.Count(), 1);
}

}  // namespace
}  // namespace ovilux::api
