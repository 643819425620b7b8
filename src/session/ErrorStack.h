// ErrorStack.h - the session's stack of the 20 newest notification codes, and the posting of
// codes to the application's notification window.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/MessageWindow.h"
#include "session/SessionConstants.h"

namespace ovilux::session {

// Codes arrive from the application's threads and from the live-view worker at once, so the
// stack has its own lock.
class CErrorStack {
public:
    // Stores code as the newest entry (the oldest of 20 is lost) and posts it.
    void Record(int32_t code);
    // Posts code to the notification window without storing it.
    void Post(int32_t code) const;
    // Removes and returns the newest code; 0 when none is stored.
    int32_t Pop();

    void SetWindow(platform::WindowHandle window) { window_.store(window); }
    platform::WindowHandle Window() const { return window_.load(); }

private:
    mutable std::mutex lock_;
    std::array<int32_t, kErrorStackDepth> codes_{};
    std::atomic<platform::WindowHandle> window_{nullptr};
};

}  // namespace ovilux::session
