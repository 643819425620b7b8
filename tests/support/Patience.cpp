// Patience.cpp - the build's and the machine's pace.
#include "support/Patience.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace ovilux::test {

namespace {

double BuildSlowdown() {
#if defined(__SANITIZE_THREAD__)
    return 8.0;
#elif defined(__SANITIZE_ADDRESS__)
    return 2.0;
#else
    return 1.0;
#endif
}

// Runnable threads per core over the last minute, at least 1; 1 where the system does not say.
double LoadPerCore() {
#ifdef _WIN32
    const char* path = "Z:\\proc\\loadavg";  // the Linux host's, under Wine
#else
    const char* path = "/proc/loadavg";
#endif
    double load = 0.0;
    if (std::FILE* file = std::fopen(path, "r")) {
        if (std::fscanf(file, "%lf", &load) != 1) {
            load = 0.0;
        }
        std::fclose(file);
    }
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return std::max(1.0, load / cores);
}

double ExtraFactor() {
    const char* text = std::getenv("OVILUX_TEST_PATIENCE");
    const double factor = text != nullptr ? std::atof(text) : 1.0;
    return factor >= 1.0 ? factor : 1.0;
}

}  // namespace

double Pace() {
    static const double pace = BuildSlowdown() * LoadPerCore() * ExtraFactor();
    return pace;
}

uint32_t PatienceMs(uint32_t ms) {
    // Capped well below what the test runner allows a whole test.
    constexpr double kLongestMs = 240000.0;
    return static_cast<uint32_t>(std::min(kLongestMs, ms * Pace()));
}

}  // namespace ovilux::test
