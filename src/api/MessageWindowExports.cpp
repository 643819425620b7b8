// MessageWindowExports.cpp - the OviluxWnd_ helpers over the platform's message windows.
#include "OviluxSdk.h"
#include "platform/MessageWindow.h"
#include "platform/PreviewWindow.h"

namespace platform = ovilux::platform;

extern "C" OVILUX_HWND OviluxWnd_CreateMessageWindow(void) {
    return static_cast<OVILUX_HWND>(platform::CreateMessageWindow());
}

extern "C" int32_t OviluxWnd_GetMessage(OVILUX_HWND window, uint32_t timeoutMs, uint32_t* message, uintptr_t* wParam,
                                        intptr_t* lParam) {
    platform::WindowMessage received{};
    if (!platform::GetWindowMessage(window, timeoutMs, &received)) {
        return 0;
    }
    if (message != nullptr) {
        *message = received.message;
    }
    if (wParam != nullptr) {
        *wParam = received.wParam;
    }
    if (lParam != nullptr) {
        *lParam = received.lParam;
    }
    return 1;
}

extern "C" void OviluxWnd_DestroyWindow(OVILUX_HWND window) { platform::DestroyMessageWindow(window); }

#if !defined(_WIN32)
extern "C" OVILUX_HWND OviluxWnd_FromX11Window(unsigned long window) {
    return static_cast<OVILUX_HWND>(platform::WindowFromX11(window));
}
#endif
