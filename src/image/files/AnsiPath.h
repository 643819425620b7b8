// AnsiPath.h - the path a file name in the thread's ANSI code page stands for.
#pragma once

#include <filesystem>

namespace ovilux::image {

// Windows reads the name in the thread's code page, the one the wide-name exports convert with
// (the C runtime's narrow calls would take the process code page instead); POSIX paths are
// bytes, whatever the locale says. Empty when the name cannot be converted.
std::filesystem::path PathOfAnsiName(const char* fileName);

}  // namespace ovilux::image
