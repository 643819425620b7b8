// StreamCounts.h - a session's counts of frames delivered and lost, as the tool prints them.
#pragma once

#include <cstdint>
#include <string>

namespace ovilux_tool {

// "delivered N, lost M (header time-out a, wrong size b, ...)"; empty when the library gives none.
std::string StreamCountsLine(uint32_t handle);
// The same as a JSON object: {"delivered": N, "lost": {"header_timeout": a, ...}}.
std::string StreamCountsJson(uint32_t handle);
// The frames lost for every reason together; 0 when the library gives no counts.
uint64_t StreamLostTotal(uint32_t handle);
// "delivered N, lost M": for progress lines.
std::string StreamCountsShort(uint32_t handle);

}  // namespace ovilux_tool
