// ConfigFile.cpp - reading configuration files into integer pairs.
#include "session/ConfigFile.h"

#include <cstdio>
#include <memory>

namespace ovilux::session {

namespace {

constexpr size_t kRecordBytes = 8;
// Far more pairs than any camera has settings; a name that streams without end (/dev/zero,
// /dev/full, a pipe) stops here instead of filling the memory.
constexpr size_t kMaxFileBytes = size_t{16} << 20;

int32_t LittleEndian32(const uint8_t* bytes) {
    return static_cast<int32_t>(static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                                static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24);
}

}  // namespace

ConfigPairs ParseConfigPairs(const uint8_t* bytes, size_t size) {
    ConfigPairs pairs;
    for (size_t offset = 0; offset + kRecordBytes <= size; offset += kRecordBytes) {
        pairs.emplace_back(LittleEndian32(bytes + offset), LittleEndian32(bytes + offset + 4));
    }
    return pairs;
}

std::optional<ConfigPairs> ReadConfigFile(const char* fileName) {
    if (fileName == nullptr || *fileName == '\0') {
        return std::nullopt;
    }
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(fileName, "rb"), &std::fclose);
    if (!file) {
        return std::nullopt;
    }
    // Read in blocks rather than by the file's claimed size: a device or pipe has none.
    std::vector<uint8_t> bytes;
    uint8_t block[4096];
    size_t got;
    while ((got = std::fread(block, 1, sizeof block, file.get())) > 0) {
        if (bytes.size() + got > kMaxFileBytes) {
            return std::nullopt;
        }
        bytes.insert(bytes.end(), block, block + got);
    }
    if (std::ferror(file.get())) {
        return std::nullopt;
    }
    return ParseConfigPairs(bytes.data(), bytes.size());
}

}  // namespace ovilux::session
