// DebugOutput.cpp - debug text to standard error, only when OVILUX_DEBUG=1.
#include "platform/DebugOutput.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ovilux::platform {

namespace {

bool DebugEnabled() {
    static const bool enabled = [] {
        const char* value = std::getenv("OVILUX_DEBUG");
        return value != nullptr && std::strcmp(value, "1") == 0;
    }();
    return enabled;
}

}  // namespace

void DebugOutput(const char* text) {
    if (text != nullptr && DebugEnabled()) {
        std::fputs(text, stderr);
    }
}

}  // namespace ovilux::platform
