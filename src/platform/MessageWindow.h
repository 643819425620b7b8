// MessageWindow.h - windows that receive posted messages: the application's notification and
// callback windows, and message windows made for applications without a message loop.
#pragma once

#include <cstdint>

namespace ovilux::platform {

using WindowHandle = void*;

struct WindowMessage {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

// A message-only window. On Windows it belongs to the calling thread, which must receive its
// messages; elsewhere any thread may. Null when none could be made.
WindowHandle CreateMessageWindow();
// True when a message posted to window arrived within timeoutMs; false on timeout or a bad window.
bool GetWindowMessage(WindowHandle window, uint32_t timeoutMs, WindowMessage* out);
void DestroyMessageWindow(WindowHandle window);

// Queues a message for a window from any thread; false for a null or destroyed window.
bool PostWindowMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
bool IsWindowAlive(WindowHandle window);

}  // namespace ovilux::platform
