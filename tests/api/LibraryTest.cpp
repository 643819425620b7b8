// The library as an application sees it: its version and the message-window helpers.
#include <gtest/gtest.h>

#include <thread>

#include "OviluxSdk.h"

TEST(Library, VersionNamesTheModelAndInterface) {
    const uint32_t version = Ovilux_GetDllVersion();
    EXPECT_EQ(version & 0xFFFFu, 0x0520u);
    EXPECT_EQ(version >> 16, 0x0003u) << "the M03 model";
}

TEST(Library, MessageWindowTimesOutWhenEmptyAndRefusesWhenDestroyed) {
    OVILUX_HWND window = OviluxWnd_CreateMessageWindow();
    ASSERT_NE(window, nullptr);
    uint32_t message = 0;
    EXPECT_EQ(OviluxWnd_GetMessage(window, 30, &message, nullptr, nullptr), 0);
    OviluxWnd_DestroyWindow(window);
    EXPECT_EQ(OviluxWnd_GetMessage(window, 0, &message, nullptr, nullptr), 0);
    EXPECT_EQ(OviluxWnd_GetMessage(nullptr, 0, &message, nullptr, nullptr), 0);
}

#ifdef _WIN32
// Applications on Windows post with PostMessage; the helper must pump the window's queue.
TEST(Library, MessageWindowReceivesWin32PostsFromOtherThreads) {
    OVILUX_HWND window = OviluxWnd_CreateMessageWindow();
    ASSERT_NE(window, nullptr);
    std::thread([&] { PostMessageW(window, 0x8003, 7, 9); }).join();
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    ASSERT_EQ(OviluxWnd_GetMessage(window, 1000, &message, &wParam, &lParam), 1);
    EXPECT_EQ(message, 0x8003u);
    EXPECT_EQ(wParam, 7u);
    EXPECT_EQ(lParam, 9);
    OviluxWnd_DestroyWindow(window);
}
#endif
