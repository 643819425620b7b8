// ConfigFile.h - configuration files: a list of records of two little-endian 32-bit integers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace ovilux::session {

using ConfigPairs = std::vector<std::pair<int32_t, int32_t>>;

// The pairs of the whole 8-byte records in bytes; bytes short of a record at the end are ignored.
ConfigPairs ParseConfigPairs(const uint8_t* bytes, size_t size);

// The pairs of a file named in the ANSI code page; nullopt when it cannot be opened or read,
// or holds more than 16 MiB.
std::optional<ConfigPairs> ReadConfigFile(const char* fileName);

}  // namespace ovilux::session
