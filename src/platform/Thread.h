// Thread.h - a worker thread with a priority hint and a join with a time limit.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace ovilux::platform {

enum class ThreadPriority {
    Normal,
    // The highest priority the system grants this process; never a failure for lack of rights.
    TimeCritical,
};

// Asks the system to run the calling thread at the time-critical priority; without the rights for
// it the thread runs on as it was. Threads that serve a time-critical thread take it too.
void SetCurrentThreadTimeCritical();

class Thread {
public:
    Thread();
    // Waits for a thread that is still running: its body may use memory its owner is about to free.
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Starts body on a new thread; false when a thread is already running or none could be made.
    bool Start(std::function<void()> body, ThreadPriority priority = ThreadPriority::Normal);
    // True when the thread has ended within timeoutMs (or none was running); its resources are
    // then released and Start may be called again. False leaves the thread running.
    bool Join(uint32_t timeoutMs);
    bool IsRunning() const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace ovilux::platform
