// DebugOutput.cpp - debug text to the debugger.
#include "platform/DebugOutput.h"

#include <windows.h>

namespace ovilux::platform {

void DebugOutput(const char* text) {
    if (text != nullptr) {
        OutputDebugStringA(text);
    }
}

}  // namespace ovilux::platform
