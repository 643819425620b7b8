// SimulatedCameras.h - what the C API tests share: simulated cameras in fast mode, a session
// with a notification window, and reading the messages the library posts.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

#include "OviluxSdk.h"
#include "OviluxSim.h"
#include "support/Patience.h"

namespace ovilux::test {

struct PostedMessage {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

// Plugs in count simulated M03 cameras (ports 0 ..) with the sensor timing dropped.
inline void AttachCameras(int count) {
    ASSERT_EQ(OviluxSim_SetSpeed(OVILUX_SIM_SPEED_FAST), 1);
    for (int port = 0; port < count; ++port) {
        ASSERT_EQ(OviluxSim_Attach(0x3030, port), port);
    }
}

// Every message the window has queued, waiting up to timeoutMs for the first.
inline std::vector<PostedMessage> Drain(OVILUX_HWND window, uint32_t timeoutMs = 0) {
    std::vector<PostedMessage> messages;
    PostedMessage m{};
    uint32_t wait = timeoutMs;
    while (OviluxWnd_GetMessage(window, wait, &m.message, &m.wParam, &m.lParam) == 1) {
        messages.push_back(m);
        wait = 0;
    }
    return messages;
}

// The codes of the notifications among messages, oldest first.
inline std::vector<intptr_t> NotifiedCodes(const std::vector<PostedMessage>& messages) {
    std::vector<intptr_t> codes;
    for (const PostedMessage& m : messages) {
        if (m.message == OVILUX_WM_NOTIFY) {
            codes.push_back(m.lParam);
        }
    }
    return codes;
}

// Waits up to timeoutMs for the notification of code; the codes notified meanwhile, oldest
// first. A worker posts its frame message before its notification, so a reader woken by the
// one may find the other not yet posted.
inline std::vector<intptr_t> AwaitNotified(OVILUX_HWND window, intptr_t code, uint32_t timeoutMs) {
    std::vector<intptr_t> codes;
    PostedMessage m{};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(PatienceMs(timeoutMs));
    while (std::find(codes.begin(), codes.end(), code) == codes.end() &&
           std::chrono::steady_clock::now() < deadline) {
        if (OviluxWnd_GetMessage(window, 50, &m.message, &m.wParam, &m.lParam) == 1 &&
            m.message == OVILUX_WM_NOTIFY) {
            codes.push_back(m.lParam);
        }
    }
    return codes;
}

// Pops the whole error stack, newest first.
inline std::vector<int32_t> PopAll(uint32_t handle) {
    std::vector<int32_t> codes;
    for (int32_t code = Ovilux_GetLastError(handle); code != 0; code = Ovilux_GetLastError(handle)) {
        codes.push_back(code);
    }
    return codes;
}

// A session over simulated cameras, with its notification window; released at the end.
class SessionTest : public testing::Test {
protected:
    void OpenSession(int cameras) {
        attached_ = cameras;
        AttachCameras(cameras);
        notify_ = OviluxWnd_CreateMessageWindow();
        ASSERT_NE(notify_, nullptr);
        handle_ = Ovilux_Initialize(notify_);
        ASSERT_NE(handle_, 0u);
    }

    void TearDown() override {
        if (handle_ != 0) {
            Ovilux_Release(handle_);
        }
        if (notify_ != nullptr) {
            OviluxWnd_DestroyWindow(notify_);
        }
        // Unplugged, so that the next test in this process finds its ports free. A test that
        // unplugged a camera itself makes its detach fail here, harmlessly.
        for (int port = 0; port < attached_; ++port) {
            OviluxSim_Detach(port);
        }
    }

    int attached_ = 0;
    uint32_t handle_ = 0;
    OVILUX_HWND notify_ = nullptr;
};

}  // namespace ovilux::test
