// DriverPort.cpp - choosing the port the library talks through: the simulated camera bus once
// one is installed, otherwise the system's own driver port.
#include "platform/DriverPort.h"

#include <atomic>

namespace ovilux::platform {

namespace {

// Installed and read from any thread; the bus it points to outlives every request.
std::atomic<DriverPort*> g_simulatedPort{nullptr};

}  // namespace

DriverPort& ActiveDriverPort() {
    if (DriverPort* simulated = g_simulatedPort.load(std::memory_order_acquire)) {
        return *simulated;
    }
    return SystemDriverPort();
}

void InstallSimulatedDriverPort(DriverPort* port) { g_simulatedPort.store(port, std::memory_order_release); }

bool SimulatedDriverPortInstalled() { return g_simulatedPort.load(std::memory_order_acquire) != nullptr; }

}  // namespace ovilux::platform
