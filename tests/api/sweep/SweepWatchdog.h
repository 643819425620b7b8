// SweepWatchdog.h - ends the process when a call outlives its limit: a blocked export cannot be
// unwound, so the watchdog names the call (and the calls that led to it) and exits with the
// verdict the parent reads. Calls running at once on several threads are watched each.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace ovilux::test::sweep {

class Watchdog {
public:
    explicit Watchdog(int exitCode);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // Watches a call from now for limitMs; the ticket disarms it.
    int Arm(const std::string& what, uint32_t limitMs);
    void Disarm(int ticket);
    // The calls that led to the armed ones, printed with them.
    void SetContext(const std::string& calls);

private:
    struct Armed {
        std::string what;
        uint32_t limitMs;
        std::chrono::steady_clock::time_point deadline;
    };
    void Watch();

    const int exitCode_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::map<int, Armed> armed_;
    int nextTicket_ = 0;
    std::string context_;
    bool quit_ = false;
    std::thread thread_;
};

}  // namespace ovilux::test::sweep
