// MessageWindow.cpp - message-only windows of the calling thread, pumped on demand.
#include "platform/MessageWindow.h"

#include <windows.h>

#include <mutex>

#include "platform/Clock.h"
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

bool RegisterWindowClass() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = DefWindowProcW;
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
        MSG msg;
        if (PeekMessageW(&msg, hwnd, 0, 0, PM_REMOVE)) {
            if (destroyRequest != 0 && msg.message == destroyRequest) {
                DestroyWindow(hwnd);
                return false;
            }
            *out = WindowMessage{msg.message, static_cast<uintptr_t>(msg.wParam), static_cast<intptr_t>(msg.lParam)};
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
        MsgWaitForMultipleObjectsEx(0, nullptr, remaining, QS_ALLPOSTMESSAGE, MWMO_INPUTAVAILABLE);
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
