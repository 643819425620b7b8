// The AVI writer's bytes read back field by field, its timing, the rows it is given, file
// splitting and a disk that refuses writes.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

#include "image/AviRows.h"
#include "image/files/AviLayout.h"
#include "image/files/AviPartName.h"
#include "image/files/AviWriter.h"

namespace ovilux::image {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

uint32_t Le32(const std::vector<uint8_t>& bytes, size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t{bytes[at + 3]} << 24;
}

std::string Tag(const std::vector<uint8_t>& bytes, size_t at) { return std::string(bytes.begin() + at, bytes.begin() + at + 4); }

fs::path TempFile(const char* name) { return fs::temp_directory_path() / (std::string("ovilux-avi-") + name); }

// A finished file must hold what its headers say: the frames, the index after them, and a
// RIFF size that ends exactly at the end of the file.
void ExpectConsistent(const std::vector<uint8_t>& f, uint32_t frames, uint32_t frameBytes) {
    ASSERT_GE(f.size(), kAviHeaderBytes + 8u);
    EXPECT_EQ(Tag(f, 0), "RIFF");
    EXPECT_EQ(Le32(f, 4), f.size() - 8);
    EXPECT_EQ(Le32(f, 48), frames);
    EXPECT_EQ(Le32(f, 140), frames);
    const size_t moviEnd = kAviHeaderBytes + size_t{frames} * (8 + frameBytes);
    EXPECT_EQ(Le32(f, 224), moviEnd - 228);
    ASSERT_EQ(f.size(), moviEnd + 8 + 16 * size_t{frames});
    EXPECT_EQ(Tag(f, moviEnd), "idx1");
    EXPECT_EQ(Le32(f, moviEnd + 4), 16 * frames);
    for (uint32_t i = 0; i < frames; ++i) {
        const size_t entry = moviEnd + 8 + 16 * size_t{i};
        const size_t chunk = 228 + Le32(f, entry + 8);
        ASSERT_EQ(Tag(f, chunk), "00db") << "frame " << i;
        EXPECT_EQ(Le32(f, chunk + 4), frameBytes);
        EXPECT_EQ(Le32(f, entry + 12), frameBytes);
    }
}

TEST(AviWriter, A640x480RecordingOf30FramesHasWholeChunksAndItsIndex) {
    const fs::path path = TempFile("vga.avi");
    CAviWriter writer;
    ASSERT_TRUE(writer.Open(path.string().c_str(), 640, 480));
    std::vector<uint8_t> frame(921600);
    for (int i = 0; i < 30; ++i) {
        frame[0] = static_cast<uint8_t>(i);
        ASSERT_TRUE(writer.AddFrame(frame.data()));
    }
    ASSERT_TRUE(writer.Finalize(1500));
    const std::vector<uint8_t> f = ReadAll(path);
    ExpectConsistent(f, 30, 921600);
    const size_t index = kAviHeaderBytes + 30 * (8 + 921600);
    EXPECT_EQ(Le32(f, index + 4), 480u);
    EXPECT_EQ(Le32(f, index + 8 + 8), 4u) << "the first chunk lies 4 bytes after \"movi\"";
    EXPECT_EQ(f[kAviHeaderBytes + 8 + 2 * (8 + 921600)], 2) << "frames in the order given";
    EXPECT_EQ(Le32(f, 128), 666666u);
    EXPECT_EQ(Le32(f, 32), 66666u);
    EXPECT_EQ(Le32(f, 64), 640u);
    EXPECT_EQ(Le32(f, 188), 480u);
    fs::remove(path);
}

TEST(AviWriter, FramesHoldWholePaddedRows) {
    struct Case {
        int32_t width, height;
        uint32_t bytes;
    } const cases[] = {{640, 480, 921600}, {1, 1, 4}, {3, 2, 24}, {5, 3, 48}, {638, 2, 3832}, {0, 5, 0}, {4, -1, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(AviFrameBytes(c.width, c.height), c.bytes) << c.width << " x " << c.height;
    }
    EXPECT_EQ(AviFrameBytes(40000, 40000), 0u) << "a frame that no file could hold";
}

TEST(AviWriter, TimingFollowsTheMeasuredRate) {
    struct Case {
        uint32_t frames, spanMs, rateX100, scale, microseconds;
    } const cases[] = {
        {31, 2000, 1500, 666666, 66666},   // 15 frames/s
        {2, 0, 100000, 10000, 1000},       // two frames in one millisecond: no division by zero
        {1, 0, 3000, 333333, 33333},       // one frame measures nothing
        {0, 0, 3000, 333333, 33333},
        {15, 1000, 1400, 714285, 71428},   // intervals, not frames, over the span
    };
    for (const Case& c : cases) {
        const uint32_t rate = AviRateX100(c.frames, c.spanMs);
        EXPECT_EQ(rate, c.rateX100) << c.frames << " frames in " << c.spanMs << " ms";
        EXPECT_EQ(AviTimingOf(rate, 100).scale, c.scale);
        EXPECT_EQ(AviTimingOf(rate, 100).microsecondsPerFrame, c.microseconds);
    }
    EXPECT_EQ(AviTimingOf(1500, 921600).maxBytesPerSecond, 921608u * 15);
    EXPECT_EQ(AviTimingOf(100000, 15116544).maxBytesPerSecond, UINT32_MAX) << "saturates";
}

TEST(AviWriter, AFullFileRefusesTheFrameThatWouldPassItsLimit) {
    const fs::path path = TempFile("limit.avi");
    const uint32_t frameBytes = AviFrameBytes(4, 4);
    const uint64_t limit = kAviHeaderBytes + 3 * (8 + frameBytes) + 8 + 3 * 16;  // three frames exactly
    CAviWriter writer(limit);
    ASSERT_TRUE(writer.Open(path.string().c_str(), 4, 4));
    std::vector<uint8_t> frame(frameBytes, 7);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(writer.IsFull());
        ASSERT_TRUE(writer.AddFrame(frame.data()));
    }
    EXPECT_TRUE(writer.IsFull());
    EXPECT_FALSE(writer.AddFrame(frame.data()));
    ASSERT_TRUE(writer.Finalize(3000));
    EXPECT_EQ(fs::file_size(path), limit);
    ExpectConsistent(ReadAll(path), 3, frameBytes);
    fs::remove(path);
}

TEST(AviWriter, PartsAreNumberedBeforeTheExtension) {
    struct Case {
        const char* first;
        uint32_t part;
        const char* name;
    } const cases[] = {{"run.avi", 0, "run.avi"},           {"run.avi", 1, "run_001.avi"},
                       {"d.x/run.avi", 12, "d.x/run_012.avi"}, {"d.x/run", 2, "d.x/run_002"},
                       {"d.x\\run", 3, "d.x\\run_003"}};
    for (const Case& c : cases) {
        EXPECT_EQ(AviPartName(c.first, c.part), c.name);
    }
}

TEST(AviWriter, BadArgumentsOpenNothing) {
    CAviWriter writer;
    EXPECT_FALSE(writer.Open(nullptr, 4, 4));
    EXPECT_FALSE(writer.Open("", 4, 4));
    EXPECT_FALSE(writer.Open(TempFile("bad.avi").string().c_str(), 0, 4));
    EXPECT_FALSE(writer.Open(fs::temp_directory_path().string().c_str(), 4, 4)) << "a folder";
    EXPECT_FALSE(writer.Open((TempFile("missing") / "x.avi").string().c_str(), 4, 4));
    EXPECT_FALSE(writer.AddFrame("x"));
    EXPECT_FALSE(writer.Finalize(3000));
}

// A file being recorded is held by its writer: a second writer cannot open (and so cannot
// empty) it, on Windows not even a reader can, and once the first is finalised it is free again.
TEST(AviWriter, ARecordingFileIsHeldByItsWriterUntilFinalised) {
    const fs::path path = TempFile("held.avi");
    const uint32_t frameBytes = AviFrameBytes(64, 64);
    std::vector<uint8_t> frame(frameBytes, 7);
    CAviWriter first;
    ASSERT_TRUE(first.Open(path.string().c_str(), 64, 64));
    ASSERT_TRUE(first.AddFrame(frame.data()));
    CAviWriter second;
    EXPECT_FALSE(second.Open(path.string().c_str(), 64, 64));
    EXPECT_FALSE(second.IsOpen());
#ifdef _WIN32
    EXPECT_FALSE(std::ifstream(path, std::ios::binary).is_open()) << "opened without sharing";
#endif
    ASSERT_TRUE(first.AddFrame(frame.data()));
    ASSERT_TRUE(first.Finalize(3000));
    ExpectConsistent(ReadAll(path), 2, frameBytes);
    EXPECT_TRUE(second.Open(path.string().c_str(), 64, 64));
    second.Reset();
    fs::remove(path);
}

#ifndef _WIN32
// A file size limit stands for a full disk: writes past it fail as they would with no space.
TEST(AviWriter, ADiskThatRefusesAFrameLeavesAPlayableFileOfTheFramesBefore) {
    const fs::path path = TempFile("full.avi");
    const uint32_t frameBytes = AviFrameBytes(64, 64);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    CAviWriter writer;
    ASSERT_TRUE(writer.Open(path.string().c_str(), 64, 64));
    rlimit small = saved;
    small.rlim_cur = kAviHeaderBytes + 5 * (8 + frameBytes) + frameBytes / 2;  // the sixth frame is cut
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::vector<uint8_t> frame(frameBytes, 9);
    int added = 0;
    while (added < 20 && writer.AddFrame(frame.data())) {
        ++added;
    }
    const bool finalised = writer.Finalize(3000);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(added, 5);
    EXPECT_FALSE(finalised) << "a lost frame is reported";
    ExpectConsistent(ReadAll(path), 5, frameBytes);
    fs::remove(path);
}
#endif

TEST(AviRows, EveryDepthBecomesBottomUp24BitRowsOfItsLevels) {
    // Two rows of one pixel: first (top) row sample a, second b; 16-bit samples are 12-bit.
    struct Case {
        uint16_t bits;
        std::vector<uint8_t> top, bottom;  // one pixel's bytes in the source
        uint8_t topLevel, bottomLevel;     // the blue byte expected of each
    } const cases[] = {
        {8, {0x40}, {0xC3}, 0x40, 0xC3},
        {16, {0xF0, 0x0F}, {0x23, 0x01}, 0xFF, 0x12},  // sample >> 4, never (sample >> 2) & 0xFF
        {24, {1, 2, 3}, {4, 5, 6}, 1, 4},
        {32, {1, 2, 3, 9}, {4, 5, 6, 9}, 1, 4},
        {48, {0x00, 0x08, 0, 0, 0, 0}, {0xF0, 0x0F, 0, 0, 0, 0}, 0x80, 0xFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bits);
        DibImage source, rows;
        ASSERT_EQ(source.Create(1, 2, c.bits), 1);
        ASSERT_EQ(rows.Create(1, 2, 24), 1);
        auto* bytes = static_cast<uint8_t*>(source.Bits());
        std::copy(c.top.begin(), c.top.end(), bytes);
        std::copy(c.bottom.begin(), c.bottom.end(), bytes + source.Stride());
        ASSERT_TRUE(ToAviRows(source, rows));
        const auto* out = static_cast<const uint8_t*>(rows.Bits());
        EXPECT_EQ(out[0], c.bottomLevel) << "the last row comes first";
        EXPECT_EQ(out[rows.Stride()], c.topLevel);
        if (c.bits <= 16) {
            EXPECT_EQ(out[1], c.bottomLevel);
            EXPECT_EQ(out[2], c.bottomLevel);
        }
    }
    DibImage other, rows;
    ASSERT_EQ(other.Create(2, 2, 24), 1);
    ASSERT_EQ(rows.Create(1, 2, 24), 1);
    EXPECT_FALSE(ToAviRows(other, rows)) << "another size";
}

}  // namespace
}  // namespace ovilux::image
