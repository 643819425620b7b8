// AviPartName.h - the names of the files one long recording is split into.
#pragma once

#include <cstdint>
#include <string>

namespace ovilux::image {

// Part 0 is the name the caller gave; part n (1 to 999) inserts "_00n" before the extension:
// "run.avi", "run_001.avi", "run_002.avi", ... A name without an extension gets the number
// at its end.
std::string AviPartName(const std::string& first, uint32_t part);

}  // namespace ovilux::image
