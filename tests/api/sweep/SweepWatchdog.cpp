// SweepWatchdog.cpp - the watchdog's thread.
#include "api/sweep/SweepWatchdog.h"

#include <cstdio>
#include <cstdlib>

namespace ovilux::test::sweep {

Watchdog::Watchdog(int exitCode) : exitCode_(exitCode), thread_([this] { Watch(); }) {}

Watchdog::~Watchdog() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

int Watchdog::Arm(const std::string& what, uint32_t limitMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    const int ticket = nextTicket_++;
    armed_[ticket] = Armed{what, limitMs, std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs)};
    wake_.notify_all();
    return ticket;
}

void Watchdog::Disarm(int ticket) {
    std::lock_guard<std::mutex> lock(mutex_);
    armed_.erase(ticket);
}

void Watchdog::SetContext(const std::string& calls) {
    std::lock_guard<std::mutex> lock(mutex_);
    context_ = calls;
}

void Watchdog::Watch() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!quit_) {
        if (armed_.empty()) {
            wake_.wait(lock);
            continue;
        }
        auto first = armed_.begin();
        for (auto it = armed_.begin(); it != armed_.end(); ++it) {
            if (it->second.deadline < first->second.deadline) {
                first = it;
            }
        }
        const int ticket = first->first;
        const auto deadline = first->second.deadline;
        wake_.wait_until(lock, deadline);
        const auto still = armed_.find(ticket);
        if (!quit_ && still != armed_.end() && std::chrono::steady_clock::now() >= deadline) {
            std::fprintf(stderr, "%s", context_.c_str());
            std::fprintf(stderr, "watchdog: %s blocked for more than %u ms\n", still->second.what.c_str(),
                         still->second.limitMs);
            std::fflush(stderr);
            std::_Exit(exitCode_);
        }
    }
}

}  // namespace ovilux::test::sweep
