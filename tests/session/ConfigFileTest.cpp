// Configuration files: whole 8-byte records of two little-endian 32-bit integers, the rest ignored.
#include <gtest/gtest.h>

#include <vector>

#include "session/ConfigFile.h"

namespace ovilux::session {
namespace {

TEST(ConfigFile, WholeRecordsBecomePairsAndShortTailsAreIgnored) {
    const std::vector<uint8_t> bytes = {0x01, 0x00, 0x00, 0x00, 0xFE, 0xFF, 0xFF, 0xFF,  // 1, -2
                                        0x78, 0x56, 0x34, 0x12, 0x00, 0x00, 0x00, 0x80,  // 0x12345678, INT32_MIN
                                        0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0x11};
    const ConfigPairs two = {{1, -2}, {0x12345678, INT32_MIN}};
    const std::vector<std::pair<size_t, ConfigPairs>> cases = {
        {0, {}}, {7, {}}, {8, {two[0]}}, {15, {two[0]}}, {16, two}, {20, two}, {23, two},
    };
    for (const auto& [size, expected] : cases) {
        EXPECT_EQ(ParseConfigPairs(bytes.data(), size), expected) << size << " bytes";
    }
    EXPECT_FALSE(ReadConfigFile(nullptr));
    EXPECT_FALSE(ReadConfigFile(""));
}

#ifndef _WIN32
// Names that stream without end are refused once past any real file's size, not read forever.
TEST(ConfigFile, EndlessStreamsAreRefused) {
    for (const char* name : {"/dev/zero", "/dev/full"}) {
        EXPECT_FALSE(ReadConfigFile(name)) << name;
    }
}
#endif

}  // namespace
}  // namespace ovilux::session
