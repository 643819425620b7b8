// LiveSignals.cpp - the stop flag set from signal handlers, and the terminal test.
#include "LiveSignals.h"

#include <atomic>
#include <csignal>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace ovilux_tool {

namespace {

// Written from a signal handler (on Windows, from the console's control thread): lock-free.
std::atomic<bool> g_stop{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void RequestStop(int) { g_stop.store(true); }

using Handler = void (*)(int);
Handler g_previousInterrupt = SIG_DFL;
Handler g_previousTerminate = SIG_DFL;

}  // namespace

StopOnSignal::StopOnSignal() {
    g_stop.store(false);
    g_previousInterrupt = std::signal(SIGINT, RequestStop);
    g_previousTerminate = std::signal(SIGTERM, RequestStop);
}

StopOnSignal::~StopOnSignal() {
    std::signal(SIGINT, g_previousInterrupt == SIG_ERR ? SIG_DFL : g_previousInterrupt);
    std::signal(SIGTERM, g_previousTerminate == SIG_ERR ? SIG_DFL : g_previousTerminate);
}

bool StopOnSignal::StopRequested() const { return g_stop.load(); }

bool IsTerminal(FILE* stream) {
#ifdef _WIN32
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) != 0;
#endif
}

}  // namespace ovilux_tool
