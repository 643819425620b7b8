// Gray mode 1 (gains and offsets, the automatic gray gain) and gray mode 2 (luminance): the
// table-driven form against the formula, the channel layout of every Bayer mode, clipping,
// and the measurement's guard against frames with nothing to measure.
#include <gtest/gtest.h>

#include <random>

#include "image/filters/GrayGains.h"
#include "image/filters/GrayLuminance.h"
#include "image/filters/RawTestImages.h"

using namespace ovilux::image;
using namespace ovilux::image::filters;
using namespace ovilux::image::test;

namespace {

// The gray filter's channel names of the 2 x 2 block, rows in memory order: "R", "G1", "G2", "B".
const char* const kGrayChannels[4][2][2] = {{{"G1", "R"}, {"B", "G2"}},
                                            {{"B", "G2"}, {"G1", "R"}},
                                            {{"R", "G1"}, {"G2", "B"}},
                                            {{"G2", "B"}, {"R", "G1"}}};

int ChannelIndex(const std::string& name) { return name == "R" ? 0 : name == "G1" ? 1 : name == "G2" ? 2 : 3; }

GrayRecord UniformRecord(int mode, int32_t gain, int32_t offset, int32_t significantBits) {
    return {mode, gain, gain, gain, gain, offset, offset, offset, offset, significantBits};
}

// Gains and offsets of one channel (index as ChannelIndex) set in the record.
void SetChannel(GrayRecord& r, int channel, int32_t gain, int32_t offset) {
    int32_t* gains[] = {&r.gainR, &r.gainG1, &r.gainG2, &r.gainB};
    int32_t* offsets[] = {&r.offsetR, &r.offsetG1, &r.offsetG2, &r.offsetB};
    *gains[channel] = gain;
    *offsets[channel] = offset;
}

}  // namespace

TEST(GrayGains, TablesEqualTheFormulaOnRandomFramesAndRecords) {
    std::mt19937 rng(41);
    std::uniform_int_distribution<int32_t> gain(-20, 300), offset(-300, 300), bitsPick(0, 4);
    const int32_t significant[] = {8, 10, 12, 14, 16};
    for (uint16_t bits : {uint16_t{8}, uint16_t{16}}) {
        std::uniform_int_distribution<uint32_t> sample(0, bits == 8 ? 255 : 65535);
        for (int width : {1, 2, 3, 5, 13}) {
            for (int height : {1, 2, 4, 7}) {
                for (int mode = 0; mode < 4; ++mode) {
                    DibImage fast, plain;
                    MakeRaw(fast, width, height, bits, [&](int, int) { return sample(rng); });
                    CopyInto(plain, fast);
                    const GrayRecord record{mode,         gain(rng),   gain(rng),   gain(rng),   gain(rng),
                                            offset(rng), offset(rng), offset(rng), offset(rng), significant[bitsPick(rng)]};
                    ASSERT_TRUE(ApplyGrayGainsReference(plain, record));
                    ASSERT_TRUE(ApplyGrayGains(fast, record));
                    ASSERT_TRUE(SameBytes(fast, plain)) << bits << "-bit " << width << " x " << height << " mode " << mode;
                }
            }
        }
    }
}

TEST(GrayGains, EachBayerModePlacesTheFourChannelsByTheGrayFiltersOwnTable) {
    // Offset -255 with gain 128 on one channel: its samples become 0 (clipped, not wrapped),
    // every other sample stays.
    for (int mode = 0; mode < 4; ++mode) {
        for (int channel = 0; channel < 4; ++channel) {
            DibImage raw;
            MakeRaw(raw, 5, 4, 8, [](int x, int y) { return 100u + 30u * static_cast<uint32_t>(y) + static_cast<uint32_t>(x); });
            GrayRecord record = UniformRecord(mode, 128, 0, 8);
            SetChannel(record, channel, 128, -255);
            ASSERT_TRUE(ApplyGrayGains(raw, record));
            for (int y = 0; y < 4; ++y) {
                for (int x = 0; x < 5; ++x) {
                    const bool hit = ChannelIndex(kGrayChannels[mode][y & 1][x & 1]) == channel;
                    EXPECT_EQ(SampleAt(raw, x, y), hit ? 0u : 100u + 30u * y + x) << "mode " << mode << " (" << x << ", " << y << ")";
                }
            }
        }
    }
}

TEST(GrayGains, ArithmeticTruncatesAndClipsToTheSignificantBits) {
    struct Case {
        uint16_t bits;
        int32_t significantBits, gain, offset;
        uint32_t value, expected;
    };
    const Case cases[] = {
        {8, 8, 128, -255, 200, 0},    {8, 8, 255, 0, 200, 255},     {8, 8, 64, 0, 201, 100},
        {8, 8, -1, 10, 100, 10},      // -100 / 128 truncates toward zero
        {8, 8, 128, 128, 100, 100},   // unity gains with the neutral offsets of 128: untouched
        {8, 8, 129, 128, 100, 228},   // any other gain applies the offsets
        {16, 12, 255, 0, 4000, 4095}, {16, 16, 255, 0, 4000, 7968}, {16, 10, 129, 0, 4000, 1023},
        {16, 14, 200, 0, 4000, 6250}, {16, 12, 0, -5, 4000, 0},     {16, 12, 129, 128, 100, 228},
    };
    for (const Case& c : cases) {
        DibImage raw;
        MakeRaw(raw, 3, 3, c.bits, [&](int, int) { return c.value; });
        ASSERT_TRUE(ApplyGrayGains(raw, UniformRecord(1, c.gain, c.offset, c.significantBits)));
        EXPECT_EQ(SampleAt(raw, 1, 1), c.expected) << c.bits << "-bit gain " << c.gain << " offset " << c.offset;
    }
}

TEST(GrayGains, UnityLeavesTheFrameAndBadInputIsRefused) {
    DibImage raw, colour, empty;
    MakeRaw(raw, 4, 4, 16, [](int x, int) { return x == 0 ? 5000u : 77u; });  // 5000 is past 12 bits: not clipped
    ASSERT_EQ(colour.Create(4, 4, 24), 1);
    DibImage before;
    CopyInto(before, raw);
    EXPECT_TRUE(ApplyGrayGains(raw, UniformRecord(2, 128, 0, 12)));
    EXPECT_TRUE(SameBytes(raw, before));
    const GrayRecord darken = UniformRecord(0, 64, 0, 12);
    EXPECT_FALSE(ApplyGrayGains(empty, darken));
    EXPECT_FALSE(ApplyGrayGains(colour, darken));
    EXPECT_FALSE(ApplyGrayGains(raw, UniformRecord(4, 64, 0, 12)));
    EXPECT_FALSE(ApplyGrayGainsReference(raw, UniformRecord(-1, 64, 0, 12)));
    EXPECT_TRUE(SameBytes(raw, before));
}

TEST(MeasureGrayGains, BringsEachChannelMeanToG1AndSkipsBlackAndWhiteSamples) {
    // Channel levels R 80, G1 100, G2 200, B 128 on the 8-bit scale, with black and white
    // samples sprinkled in that would pull the means if they were counted. 16-bit samples
    // carry the level in bits 11 to 4 and noise below.
    const uint32_t level[4] = {80, 100, 200, 128};
    for (uint16_t bits : {uint16_t{8}, uint16_t{16}}) {
        for (int mode = 0; mode < 4; ++mode) {
            DibImage raw;
            MakeRaw(raw, 10, 8, bits, [&](int x, int y) -> uint32_t {
                if ((x + 3 * y) % 7 == 0) {
                    return (x & 2) != 0 ? 0u : (bits == 8 ? 255u : 4095u - static_cast<uint32_t>(y));
                }
                const uint32_t v = level[ChannelIndex(kGrayChannels[mode][y & 1][x & 1])];
                return bits == 8 ? v : v * 16 + static_cast<uint32_t>(x + y) % 16;
            });
            GrayRecord record = UniformRecord(mode, 1, 7, 12);
            ASSERT_TRUE(MeasureGrayGains(raw, record)) << bits << "-bit mode " << mode;
            EXPECT_EQ(record.gainR, 160);
            EXPECT_EQ(record.gainG1, 128);
            EXPECT_EQ(record.gainG2, 64);
            EXPECT_EQ(record.gainB, 100);
            EXPECT_EQ(record.offsetR, 7) << "offsets are not measured";
        }
    }
}

TEST(MeasureGrayGains, LimitsGainsAndLeavesThemWhenAChannelHasNothingToMeasure) {
    struct Case {
        uint16_t bits;
        uint32_t rLevel, otherLevel;
        bool measured;
        int32_t gainR;
    };
    const Case cases[] = {
        {8, 10, 254, true, 255},    // 254 / 10 x 128 is past the gain range
        {8, 0, 0, false, 1},        // black frame
        {8, 255, 255, false, 1},    // white frame
        {16, 15, 2000, false, 1},   // 16-bit R samples that read as 0 on the 8-bit scale
        {16, 4095, 2000, false, 1}, // and as 255
    };
    for (const Case& c : cases) {
        DibImage raw;
        MakeRaw(raw, 6, 6, c.bits, [&](int x, int y) { return (x & 1) == 1 && (y & 1) == 0 ? c.rLevel : c.otherLevel; });
        GrayRecord record = UniformRecord(0, 1, 0, 12);  // mode 0: R at odd columns of even rows
        EXPECT_EQ(MeasureGrayGains(raw, record), c.measured) << c.bits << "-bit R " << c.rLevel;
        EXPECT_EQ(record.gainR, c.gainR);
        if (!c.measured) {
            EXPECT_EQ(record.gainG1, 1) << "a refused measurement leaves every gain";
        }
    }
    DibImage empty;
    GrayRecord record = UniformRecord(0, 1, 0, 12);
    EXPECT_FALSE(MeasureGrayGains(empty, record));
    EXPECT_EQ(record.gainR, 1);
}

TEST(GrayToLuminance, ReplacesTheFrameByTheLuminanceOfItsDemosaicedColours) {
    // Every red sample 200, green 100, blue 50 (the demosaic's colour table): every pixel
    // demosaics to that colour, border included, so every sample becomes its luminance.
    const char* const kDemosaicColours[4][2] = {{"GB", "RG"}, {"RG", "GB"}, {"BG", "GR"}, {"GR", "BG"}};
    struct Case {
        int redGain;
        uint32_t luminance;
    };
    const Case cases[] = {{100, (30 * 200 + 59 * 100 + 11 * 50) / 100}, {50, (30 * 100 + 59 * 100 + 11 * 50) / 100}};
    for (const Case& c : cases) {
        for (int mode = 0; mode < 4; ++mode) {
            DibImage raw, colour;
            MakeRaw(raw, 7, 5, 8, [&](int x, int y) {
                const char name = kDemosaicColours[mode][y & 1][x & 1];
                return name == 'R' ? 200u : name == 'G' ? 100u : 50u;
            });
            ASSERT_TRUE(GrayToLuminance(raw, colour, GainRecord{mode, c.redGain, 100, 100}));
            EXPECT_EQ(colour.BitsPerPixel(), 24);
            EXPECT_EQ(colour.Width(), 7);
            for (int y = 0; y < 5; ++y) {
                for (int x = 0; x < 7; ++x) {
                    ASSERT_EQ(SampleAt(raw, x, y), c.luminance) << "mode " << mode << " (" << x << ", " << y << ")";
                }
            }
        }
    }
}

TEST(GrayToLuminance, RefusesWhatTheDemosaicCannotTake) {
    DibImage raw16, small, raw, colour;
    MakeRaw(raw16, 6, 6, 16, [](int, int) { return 1000u; });
    MakeRaw(small, 3, 6, 8, [](int, int) { return 10u; });
    MakeRaw(raw, 6, 6, 8, [](int x, int) { return static_cast<uint32_t>(x) * 40; });
    DibImage before;
    CopyInto(before, raw);
    const GainRecord unity{0, 100, 100, 100};
    EXPECT_FALSE(GrayToLuminance(raw16, colour, unity));
    EXPECT_FALSE(GrayToLuminance(small, colour, unity));
    EXPECT_FALSE(GrayToLuminance(raw, colour, GainRecord{5, 100, 100, 100}));
    EXPECT_TRUE(SameBytes(raw, before));
    EXPECT_EQ(SampleAt(small, 1, 1), 10u);
}
