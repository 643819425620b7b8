// The defect-mask file: its layout byte for byte, headers and lengths that are refused, and a
// save that fails part way leaving the old file.
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fstream>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "TestImages.h"
#include "image/files/MaskFile.h"

using namespace ovilux::image;
using namespace ovilux::image::test;

namespace {

constexpr uint64_t kFileBytes = 30233128;

// References of a hashed pattern (cheaper than a random generator over 5 million samples).
std::unique_ptr<mask::DefectReferences> NoisyReferences(uint32_t seed) {
    std::unique_ptr<mask::DefectReferences> r = mask::MakeBlankReferences();
    for (size_t i = 0; i < mask::kMaskPixels; ++i) {
        const uint32_t draw = (static_cast<uint32_t>(i) + seed) * 2654435761u;
        r->dark8[i] = static_cast<uint8_t>(draw >> 24);
        r->bright8[i] = static_cast<uint8_t>(draw >> 16);
        r->dark16[i] = static_cast<uint16_t>((draw >> 8) & 0xFFF);
        r->bright16[i] = static_cast<uint16_t>(draw >> 16);
    }
    return r;
}

std::vector<uint8_t> ReadWhole(const std::string& name) {
    std::ifstream in(name, std::ios::binary | std::ios::ate);
    if (!in) {
        return {};
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

bool SameReferences(const mask::DefectReferences& a, const mask::DefectReferences& b) {
    return a.dark8 == b.dark8 && a.bright8 == b.bright8 && a.dark16 == b.dark16 && a.bright16 == b.bright16;
}

void PutU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

}  // namespace

TEST(MaskFile, ASavedFileHasTheLayoutByteForByteAndLoadsBack) {
    ScratchFolder folder;
    const std::string name = folder.Name("mask.dat");
    const std::unique_ptr<mask::DefectReferences> saved = NoisyReferences(1);
    ASSERT_TRUE(WriteMaskFile(name.c_str(), *saved));
    const std::vector<uint8_t> bytes = ReadWhole(name);
    ASSERT_EQ(bytes.size(), kFileBytes);
    EXPECT_EQ(std::memcmp(bytes.data(), "TESMOR MASK1000\0", 16), 0);
    const uint32_t header[6] = {2592, 1944, 5038848, 5038848, 10077696, 10077696};
    for (size_t i = 0; i < 6; ++i) {
        uint32_t value = 0;
        for (size_t b = 0; b < 4; ++b) {
            value |= uint32_t{bytes[16 + 4 * i + b]} << (8 * b);
        }
        EXPECT_EQ(value, header[i]) << "header integer " << i;
    }
    // Block starts, and little-endian words in the 16-bit blocks.
    EXPECT_EQ(bytes[40], saved->dark8[0]);
    EXPECT_EQ(bytes[5038888], saved->bright8[0]);
    EXPECT_EQ(bytes[10077736] | bytes[10077737] << 8, saved->dark16[0]);
    EXPECT_EQ(bytes[20155432] | bytes[20155433] << 8, saved->bright16[0]);
    EXPECT_EQ(bytes[kFileBytes - 2] | bytes[kFileBytes - 1] << 8, saved->bright16.back());
    const std::unique_ptr<mask::DefectReferences> loaded = ReadMaskFile(name.c_str());
    ASSERT_NE(loaded, nullptr);
    EXPECT_TRUE(SameReferences(*loaded, *saved));
}

TEST(MaskFile, WrongHeadersAndShortFilesAreRefused) {
    ScratchFolder folder;
    const std::string good = folder.Name("good.dat");
    ASSERT_TRUE(WriteMaskFile(good.c_str(), *NoisyReferences(2)));
    const std::vector<uint8_t> bytes = ReadWhole(good);
    struct Case {
        const char* what;
        size_t offset;     // a byte changed here (when below the length) ...
        uint8_t value;
        size_t length;     // ... and the file cut to this length
    };
    const Case cases[] = {
        {"no zero byte after the magic", 15, '0', kFileBytes},
        {"another magic", 0, 't', kFileBytes},
        {"another width", 16, 0x21, kFileBytes},
        {"header only", kFileBytes, 0, 40},
        {"cut in the header", kFileBytes, 0, 39},
        {"empty", kFileBytes, 0, 0},
        {"cut in the first block", kFileBytes, 0, 1000},
        {"one byte short", kFileBytes, 0, kFileBytes - 1},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> changed(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(c.length));
        if (c.offset < c.length) {
            changed[c.offset] = c.value;
        }
        const std::string name = folder.Name("bad.dat");
        WriteFileBytes(name, changed);
        EXPECT_EQ(ReadMaskFile(name.c_str()), nullptr) << c.what;
    }
    std::vector<uint8_t> wrongSize = bytes;
    PutU32(wrongSize, 32, 5038848);  // a 16-bit size of an 8-bit block
    WriteFileBytes(folder.Name("size.dat"), wrongSize);
    EXPECT_EQ(ReadMaskFile(folder.Name("size.dat").c_str()), nullptr);
    EXPECT_EQ(ReadMaskFile(folder.Name("missing.dat").c_str()), nullptr);
    EXPECT_EQ(ReadMaskFile(nullptr), nullptr);
    EXPECT_EQ(ReadMaskFile(""), nullptr);
}

#ifndef _WIN32
// A file size limit stands for a full disk: the write that passes it fails as it would with no
// space left.
TEST(MaskFile, ASaveThatCannotBeWrittenWholeKeepsTheOldFile) {
    ScratchFolder folder;
    const std::string name = folder.Name("kept.dat");
    const std::unique_ptr<mask::DefectReferences> old = NoisyReferences(3);
    ASSERT_TRUE(WriteMaskFile(name.c_str(), *old));
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 20000000;  // in the 16-bit dark block
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = WriteMaskFile(name.c_str(), *NoisyReferences(4));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(written);
    const std::unique_ptr<mask::DefectReferences> loaded = ReadMaskFile(name.c_str());
    ASSERT_NE(loaded, nullptr);
    EXPECT_TRUE(SameReferences(*loaded, *old));
    EXPECT_EQ(folder.Entries().size(), 1u) << "no temporary file left";
}
#endif
