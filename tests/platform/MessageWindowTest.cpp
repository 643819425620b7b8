// Message windows: order, timeouts, cross-thread posting and destroyed windows.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <memory>
#include <thread>

#include "platform/Event.h"
#include "platform/MessageWindow.h"
#include "support/Patience.h"

using namespace ovilux::platform;

TEST(MessageWindow, MessagesFromAnotherThreadArriveInOrder) {
    WindowHandle window = CreateMessageWindow();
    ASSERT_NE(window, nullptr);
    std::thread poster([&] {
        for (uint32_t i = 0; i < 50; ++i) {
            ASSERT_TRUE(PostWindowMessage(window, 0x8002, i, -static_cast<intptr_t>(i)));
        }
    });
    for (uint32_t i = 0; i < 50; ++i) {
        WindowMessage message{};
        ASSERT_TRUE(GetWindowMessage(window, 5000, &message));
        EXPECT_EQ(message.message, 0x8002u);
        EXPECT_EQ(message.wParam, i);
        EXPECT_EQ(message.lParam, -static_cast<intptr_t>(i));
    }
    poster.join();
    DestroyMessageWindow(window);
}

TEST(MessageWindow, TimesOutWhenEmptyAndRefusesWhenDestroyed) {
    WindowHandle window = CreateMessageWindow();
    ASSERT_NE(window, nullptr);
    WindowMessage message{};
    EXPECT_FALSE(GetWindowMessage(window, 50, &message));
    EXPECT_TRUE(IsWindowAlive(window));

    ASSERT_TRUE(PostWindowMessage(window, 0x8003, 13, 0));
    DestroyMessageWindow(window);
    EXPECT_FALSE(IsWindowAlive(window));
    EXPECT_FALSE(PostWindowMessage(window, 0x8003, 1, 0));
    EXPECT_FALSE(GetWindowMessage(window, 0, &message));
    EXPECT_FALSE(PostWindowMessage(nullptr, 0x8003, 1, 0));
}

TEST(MessageWindow, WindowsKeepSeparateQueues) {
    WindowHandle a = CreateMessageWindow();
    WindowHandle b = CreateMessageWindow();
    ASSERT_NE(a, b);
    PostWindowMessage(a, 0x8001, 10, 0);
    PostWindowMessage(b, 0x8002, 20, 0);
    WindowMessage message{};
    ASSERT_TRUE(GetWindowMessage(b, 1000, &message));
    EXPECT_EQ(message.message, 0x8002u);
    ASSERT_TRUE(GetWindowMessage(a, 1000, &message));
    EXPECT_EQ(message.wParam, 10u);
    DestroyMessageWindow(a);
    DestroyMessageWindow(b);
}

// A thread waiting without a time limit on a window that another thread destroys gets a
// failure at once; on Windows the waiter owns the window, as it must there.
TEST(MessageWindow, DestroyingAWindowWakesItsWaiter) {
    auto created = std::make_shared<std::promise<WindowHandle>>();
    std::future<WindowHandle> windowMade = created->get_future();
    // Shared with a detached waiter, so that a waiter that is never woken fails the test
    // instead of holding it up.
    auto received = std::make_shared<std::promise<bool>>();
    std::future<bool> answer = received->get_future();
    std::thread([created, received] {
        WindowHandle window = CreateMessageWindow();
        created->set_value(window);
        WindowMessage message{};
        received->set_value(window != nullptr && GetWindowMessage(window, kWaitInfinite, &message));
    }).detach();
    WindowHandle window = windowMade.get();
    ASSERT_NE(window, nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    DestroyMessageWindow(window);
    ASSERT_EQ(answer.wait_for(std::chrono::milliseconds(ovilux::test::PatienceMs(10000))), std::future_status::ready)
        << "the waiter still waits";
    EXPECT_FALSE(answer.get());
    EXPECT_FALSE(IsWindowAlive(window));
}

#ifndef _WIN32
#include <unistd.h>

namespace {

WindowHandle g_lateWindow = nullptr;

// Runs after the destructors of every static made since it was registered, as a hot-plug event
// that libusb's thread posts while the process exits.
void PostLate() { _exit(PostWindowMessage(g_lateWindow, 0x0219, 0x8000, 0) ? 0 : 3); }

}  // namespace

// A message posted while the process exits, after the statics' destructors have run, still finds
// the window table (AddressSanitizer watches the child).
TEST(MessageWindow, APostAfterTheStaticsAreGoneStillFindsTheTable) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process: its table made after the handler
    EXPECT_EXIT(
        {
            std::atexit(PostLate);
            g_lateWindow = CreateMessageWindow();
            std::exit(1);
        },
        ::testing::ExitedWithCode(0), "");
}
#endif
