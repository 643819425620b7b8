// StreamCounts.cpp - the counts of OviluxStream_GetStatistics in words and in JSON.
#include "StreamCounts.h"

#include <array>

#include "OviluxStream.h"

namespace ovilux_tool {

namespace {

// The reasons in the order the tool names them: its words, its JSON key, the count.
struct Reason {
    const char* words;
    const char* key;
    uint64_t count;
};

std::array<Reason, 6> ReasonsOf(const OviluxStreamStatistics& s) {
    return {Reason{"header time-out", "header_timeout", s.lostHeaderTimeout},
            Reason{"wrong size", "wrong_size", s.lostWrongSize},
            Reason{"incomplete", "incomplete", s.lostIncomplete},
            Reason{"slow", "slow", s.lostSlow},
            Reason{"camera lost", "camera_lost", s.lostCameraLost},
            Reason{"buffer too small", "buffer_too_small", s.lostBufferTooSmall}};
}

uint64_t TotalLost(const OviluxStreamStatistics& s) {
    uint64_t total = 0;
    for (const Reason& reason : ReasonsOf(s)) {
        total += reason.count;
    }
    return total;
}

bool Read(uint32_t handle, OviluxStreamStatistics& s) { return OviluxStream_GetStatistics(handle, &s) == 1; }

std::string ShortLine(const OviluxStreamStatistics& s) {
    return "delivered " + std::to_string(s.delivered) + ", lost " + std::to_string(TotalLost(s));
}

}  // namespace

uint64_t StreamLostTotal(uint32_t handle) {
    OviluxStreamStatistics s{};
    return Read(handle, s) ? TotalLost(s) : 0;
}

std::string StreamCountsShort(uint32_t handle) {
    OviluxStreamStatistics s{};
    return Read(handle, s) ? ShortLine(s) : "";
}

std::string StreamCountsLine(uint32_t handle) {
    OviluxStreamStatistics s{};
    if (!Read(handle, s)) return "";
    std::string line = ShortLine(s) + " (";
    const char* separator = "";
    for (const Reason& reason : ReasonsOf(s)) {
        line += separator + std::string(reason.words) + " " + std::to_string(reason.count);
        separator = ", ";
    }
    return line + ")";
}

std::string StreamCountsJson(uint32_t handle) {
    OviluxStreamStatistics s{};
    if (!Read(handle, s)) return "{}";
    std::string json = "{\"delivered\": " + std::to_string(s.delivered) + ", \"lost\": {";
    const char* separator = "";
    for (const Reason& reason : ReasonsOf(s)) {
        json += separator + std::string("\"") + reason.key + "\": " + std::to_string(reason.count);
        separator = ", ";
    }
    return json + "}}";
}

}  // namespace ovilux_tool
