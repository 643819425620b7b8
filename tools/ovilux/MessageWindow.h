// MessageWindow.h - a message window for the library's frame messages, destroyed with its owner.
#pragma once

#include "OviluxSdk.h"

namespace ovilux_tool {

class MessageWindow {
public:
    MessageWindow() : window_(OviluxWnd_CreateMessageWindow()) {}
    ~MessageWindow() {
        if (window_ != nullptr) {
            OviluxWnd_DestroyWindow(window_);
        }
    }
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;
    OVILUX_HWND Get() const { return window_; }

private:
    OVILUX_HWND window_;
};

}  // namespace ovilux_tool
