// MessageWindow.cpp - message-only windows of the calling thread, pumped on demand.
#include "platform/MessageWindow.h"

#include <windows.h>
#include <dbt.h>

#include <deque>
#include <map>
#include <mutex>

#include "platform/Clock.h"
#include "platform/DeviceNotification.h"
#include "platform/Event.h"

namespace ovilux::platform {

namespace {

constexpr wchar_t kClassName[] = L"OviluxMessageWindow";

// A window can only be destroyed by the thread that owns it. Another thread asks the owner to
// destroy it with this message, which also wakes an owner waiting for a message on it.
UINT DestroyRequestMessage() {
    static const UINT message = RegisterWindowMessageW(L"OviluxMessageWindowDestroy");
    return message;
}

// Device-change messages arrive sent, not posted (Windows refuses to post them: their lParam is
// a pointer lent for the call), so the window keeps a copy of each in a queue of its own that
// GetWindowMessage reads before the posted messages.
struct SentMessages {
    std::mutex mutex;
    std::map<HWND, std::deque<WindowMessage>> windows;
};

SentMessages& TheSentMessages() {
    static SentMessages* const sent = new SentMessages();  // windows may outlive static destruction
    return *sent;
}

bool TakeSentMessage(HWND hwnd, WindowMessage* out) {
    SentMessages& sent = TheSentMessages();
    std::lock_guard<std::mutex> lock(sent.mutex);
    const auto found = sent.windows.find(hwnd);
    if (found == sent.windows.end() || found->second.empty()) {
        return false;
    }
    *out = found->second.front();
    found->second.pop_front();
    return true;
}

LRESULT CALLBACK MessageWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DEVICECHANGE && (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE) &&
        lParam != 0) {
        const DeviceInterfaceBroadcast* kept = KeepDeviceBroadcast(reinterpret_cast<const void*>(lParam));
        SentMessages& sent = TheSentMessages();
        std::lock_guard<std::mutex> lock(sent.mutex);
        sent.windows[hwnd].push_back(WindowMessage{message, static_cast<uintptr_t>(wParam), reinterpret_cast<intptr_t>(kept)});
        return TRUE;
    }
    if (message == WM_NCDESTROY) {
        SentMessages& sent = TheSentMessages();
        std::lock_guard<std::mutex> lock(sent.mutex);
        sent.windows.erase(hwnd);
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool RegisterWindowClass() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = MessageWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kClassName;
        return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

}  // namespace

WindowHandle CreateMessageWindow() {
    if (!RegisterWindowClass()) {
        return nullptr;
    }
    return CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
}

bool GetWindowMessage(WindowHandle window, uint32_t timeoutMs, WindowMessage* out) {
    HWND hwnd = static_cast<HWND>(window);
    if (hwnd == nullptr || out == nullptr || !IsWindow(hwnd)) {
        return false;
    }
    const uint32_t start = TimeGetTime();
    const UINT destroyRequest = DestroyRequestMessage();
    for (;;) {
        if (TakeSentMessage(hwnd, out)) {
            return true;
        }
        MSG msg;
        if (PeekMessageW(&msg, hwnd, 0, 0, PM_REMOVE)) {
            if (destroyRequest != 0 && msg.message == destroyRequest) {
                DestroyWindow(hwnd);
                return false;
            }
            *out = WindowMessage{msg.message, static_cast<uintptr_t>(msg.wParam), static_cast<intptr_t>(msg.lParam)};
            return true;
        }
        // PeekMessage has just run what was sent to the window; one of those may be queued now.
        if (TakeSentMessage(hwnd, out)) {
            return true;
        }
        uint32_t remaining = INFINITE;
        if (timeoutMs != kWaitInfinite) {
            const uint32_t elapsed = ElapsedMs(start, TimeGetTime());
            if (elapsed >= timeoutMs) {
                return false;
            }
            remaining = timeoutMs - elapsed;
        }
        MsgWaitForMultipleObjectsEx(0, nullptr, remaining, QS_ALLPOSTMESSAGE | QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
    }
}

void DestroyMessageWindow(WindowHandle window) {
    HWND hwnd = static_cast<HWND>(window);
    if (hwnd == nullptr || !IsWindow(hwnd)) {
        return;
    }
    if (GetWindowThreadProcessId(hwnd, nullptr) == GetCurrentThreadId()) {
        DestroyWindow(hwnd);
    } else if (DestroyRequestMessage() != 0) {
        PostMessageW(hwnd, DestroyRequestMessage(), 0, 0);
    }
}

bool PostWindowMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    HWND hwnd = static_cast<HWND>(window);
    return hwnd != nullptr && IsWindow(hwnd) && PostMessageW(hwnd, message, wParam, lParam) != FALSE;
}

bool IsWindowAlive(WindowHandle window) { return window != nullptr && IsWindow(static_cast<HWND>(window)) != FALSE; }

}  // namespace ovilux::platform
