// Event.h - auto- and manual-reset events with a timed wait.
#pragma once

#include <cstdint>
#include <memory>

namespace ovilux::platform {

constexpr uint32_t kWaitInfinite = 0xFFFFFFFFu;

enum class EventReset { Auto, Manual };
enum class WaitResult { Signalled, TimedOut, Failed };

// An auto-reset event releases one waiter per Set and clears itself; a manual-reset
// event stays set, releasing every waiter, until Reset. Events created with the same
// name are one object (within the process on POSIX; the session namespace on Windows).
class Event {
public:
    Event(EventReset reset, bool initiallySet, const char* name = nullptr);
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    // False when the system could not make the event; every operation then fails.
    bool IsValid() const;
    bool Set();
    bool Reset();
    // Signalled when the event was (or became) set within timeoutMs; kWaitInfinite waits forever.
    WaitResult Wait(uint32_t timeoutMs);
    // The Win32 event handle, for overlapped I/O; null on other platforms.
    void* NativeHandle() const;

    struct Impl;

private:
    std::shared_ptr<Impl> impl_;
};

}  // namespace ovilux::platform
