// DebugOutput.h - the library's debug channel: the debugger on Windows, standard error when
// OVILUX_DEBUG=1 elsewhere, and nothing at all otherwise.
#pragma once

namespace ovilux::platform {

void DebugOutput(const char* text);

}  // namespace ovilux::platform
