// Isolated-dot suppression: the fast form against the plain one on random frames dense with
// dots (so replacements follow each other closely), and the rule's cases by hand.
#include <gtest/gtest.h>

#include <random>

#include "../EveryVectorIsa.h"
#include "image/BayerMode.h"
#include "image/filters/DotSuppression.h"
#include "image/filters/RawTestImages.h"

using namespace ovilux::image;
using namespace ovilux::image::filters;
using namespace ovilux::image::test;

namespace {

// A dim noisy background with bright dots on a share of the samples, and some noise as wide
// as the whole range; maxValue is 255 or 4095.
void DottedFrame(DibImage& raw, int width, int height, uint16_t bits, std::mt19937& rng, int dotPercent) {
    const uint32_t maxValue = bits == 8 ? 255 : 4095;
    std::uniform_int_distribution<uint32_t> background(0, maxValue / 5), any(0, maxValue);
    std::uniform_int_distribution<int> percent(0, 99);
    MakeRaw(raw, width, height, bits, [&](int, int) {
        const int p = percent(rng);
        return p < dotPercent ? maxValue - background(rng) / 4 : (p < dotPercent + 5 ? any(rng) : background(rng));
    });
}

// 8-bit patches of colour (each channel dark, saturated or anything) laid out as the Bayer
// mode's samples, with sparse samples brighter than their patch by around the threshold or far
// more: some are dots, some only bright, whose colour the gains may wrap into gray.
void ColourPatchFrame(DibImage& raw, int width, int height, int mode, std::mt19937& rng) {
    std::uniform_int_distribution<int> level(0, 255), pick(0, 2), percent(0, 99), lift(20, 160), patchSize(2, 9);
    const auto channelLevel = [&] {
        const int kind = pick(rng);
        return kind == 0 ? level(rng) / 8 : (kind == 1 ? 255 - level(rng) / 16 : level(rng));
    };
    const RedPhase red = RedPhaseOf(mode);
    const int patchW = patchSize(rng), patchH = patchSize(rng);
    std::vector<int> patches(3 * (width / patchW + 1) * (height / patchH + 1));
    for (int& channel : patches) {
        channel = channelLevel();
    }
    MakeRaw(raw, width, height, 8, [&](int x, int y) {
        const bool redColumn = (x & 1) == red.column, redRow = (y & 1) == red.row;
        const int channel = redColumn && redRow ? 0 : (!redColumn && !redRow ? 2 : 1);
        const int value = patches[3 * ((y / patchH) * (width / patchW + 1) + x / patchW) + channel];
        return static_cast<uint32_t>(std::min(255, percent(rng) < 12 ? value + lift(rng) : value));
    });
}

// Samples at least the 8-bit threshold above the mean of their four neighbours two away.
int BrightSamples(const DibImage& raw) {
    int count = 0;
    for (int y = 2; y < raw.Height() - 2; ++y) {
        for (int x = 2; x < raw.Width() - 2; ++x) {
            const uint32_t sum = SampleAt(raw, x - 2, y) + SampleAt(raw, x + 2, y) + SampleAt(raw, x, y - 2) + SampleAt(raw, x, y + 2);
            count += static_cast<int>(SampleAt(raw, x, y)) - static_cast<int>(sum / 4) >= kDotThreshold8;
        }
    }
    return count;
}

}  // namespace

TEST(DotSuppression, EightBitFastFormsEqualThePlainOneOnColourfulFramesWithEveryGain) {
    std::mt19937 rng(29);
    // Unity, none, the ones whose red or blue wraps past 255, the largest and beyond it.
    const int gains[] = {100, 0, 37, 130, 180, 255, 333, 400, 450};
    const int widths[] = {5, 6, 7, 12, 19, 20, 21, 27, 36, 37, 53};  // around 8 and 16-sample blocks
    const int heights[] = {5, 6, 9, 16};
    long long replaced = 0, brightOnly = 0;
    ForEveryVectorIsa([&] {
        for (int width : widths) {
            for (int height : heights) {
                for (int mode = 0; mode < 4; ++mode) {
                    for (int redGain : gains) {
                        DibImage fast, plain;
                        ColourPatchFrame(fast, width, height, mode, rng);
                        CopyInto(plain, fast);
                        const int brightBefore = BrightSamples(plain);
                        const GainRecord gainsNow{mode, redGain, 100, gains[rng() % std::size(gains)]};
                        const int plainCount = SuppressIsolatedDotsReference(plain, gainsNow);
                        ASSERT_EQ(SuppressIsolatedDots(fast, gainsNow), plainCount) << width << " x " << height;
                        ASSERT_TRUE(SameBytes(fast, plain))
                            << width << " x " << height << " mode " << mode << " gains " << redGain << ", " << gainsNow.blueGain;
                        replaced += plainCount;
                        brightOnly += brightBefore - plainCount;
                    }
                }
            }
        }
    });
    // The frames must hold many samples of both kinds for the comparison to mean anything.
    EXPECT_GT(replaced, 2000);
    EXPECT_GT(brightOnly, 2000);
}

TEST(DotSuppression, FastFormEqualsThePlainOneOnRandomFrames) {
    std::mt19937 rng(14);
    std::uniform_int_distribution<int> gain(0, 450);
    const int sizes[] = {1, 2, 3, 4, 5, 6, 9, 12, 20, 29};  // 12 and 20: a block of 8 or 16 reads up to the last sample
    ForEveryVectorIsa([&] {
        for (uint16_t bits : {uint16_t{8}, uint16_t{16}}) {
            for (int width : sizes) {
                for (int height : sizes) {
                    for (int mode = 0; mode < 4; ++mode) {
                        DibImage fast, plain;
                        DottedFrame(fast, width, height, bits, rng, 5 + 10 * mode);
                        CopyInto(plain, fast);
                        const GainRecord gains{mode, gain(rng), 100, gain(rng)};
                        const int plainCount = SuppressIsolatedDotsReference(plain, gains);
                        ASSERT_EQ(SuppressIsolatedDots(fast, gains), plainCount) << bits << "-bit " << width << " x " << height;
                        ASSERT_TRUE(SameBytes(fast, plain)) << bits << "-bit " << width << " x " << height << " mode " << mode;
                        if (width < 5 || height < 5) {
                            ASSERT_EQ(plainCount, 0) << "an image under its margins has no sample to test";
                        }
                    }
                }
            }
        }
    });
}

TEST(DotSuppression, ReplacesALoneBrightSampleOfAnyColourAndLeavesFlatFramesAlone) {
    struct Case {
        uint16_t bits;
        uint32_t flat, dot;
        int replaced;
    };
    const Case cases[] = {
        {8, 100, 255, 1},    // bright dot on gray, whatever colour its position has
        {8, 100, 129, 0},    // 29 above the mean: under the threshold
        {8, 100, 10, 0},     // a dark dot: the 8-bit rule takes bright ones only
        {8, 100, 100, 0},    // flat
        {16, 1000, 1480, 1}, // exactly the threshold
        {16, 1000, 1479, 0}, // one under
        {16, 1000, 520, 1},  // the 16-bit rule takes dark dots as well
        {16, 1000, 1000, 0},
    };
    for (const Case& c : cases) {
        for (int mode = 0; mode < 4; ++mode) {
            for (int at = 0; at < 4; ++at) {  // the four positions of the Bayer block
                const int dx = 4 + (at & 1), dy = 4 + (at >> 1);
                DibImage raw;
                MakeRaw(raw, 11, 10, c.bits, [&](int x, int y) { return x == dx && y == dy ? c.dot : c.flat; });
                EXPECT_EQ(SuppressIsolatedDots(raw, GainRecord{mode, 100, 100, 100}), c.replaced)
                    << c.bits << "-bit dot " << c.dot << " on " << c.flat << " mode " << mode << " at " << at;
                EXPECT_EQ(SampleAt(raw, dx, dy), c.replaced == 1 ? c.flat : c.dot);
            }
        }
    }
}

TEST(DotSuppression, EightBitDotNeedsAColourfulPixelAndTheRedAndBlueWrap) {
    // Mode 1 (R G / G B): (4, 4) is red. A dot of 255 on 20 with red gain 100 reads red 152
    // there, green and blue 20: two differences above 30, replaced. With red gain 180 the red
    // intermediate passes 255 and wraps to 17, close to green and blue: the dot stays.
    struct Case {
        int redGain;
        uint32_t flat, dot;
        int replaced;
    };
    const Case cases[] = {{100, 20, 255, 1}, {180, 20, 255, 0}};
    for (const Case& c : cases) {
        DibImage raw;
        MakeRaw(raw, 9, 9, 8, [&](int x, int y) { return x == 4 && y == 4 ? c.dot : c.flat; });
        EXPECT_EQ(SuppressIsolatedDots(raw, GainRecord{1, c.redGain, 100, 100}), c.replaced)
            << "red gain " << c.redGain << " flat " << c.flat;
    }
}

TEST(DotSuppression, ReplacementsStayBesideAnEdgeInsteadOfRunningIntoTheAreaBehindIt) {
    // Black beside a saturated red area (mode 1: red at odd columns of odd rows): the red
    // samples just behind the edge are brighter than their means and colourful, but samples
    // further in see only their own area, as the frame came, and stay.
    for (const uint16_t bits : {uint16_t{8}, uint16_t{16}}) {
        const uint32_t bright = bits == 8 ? 250 : 4000;
        const uint32_t dim = bits == 8 ? 40 : 640;
        DibImage raw, before;
        MakeRaw(raw, 40, 12, bits, [&](int x, int y) {
            return x < 20 ? 0u : ((x & 1) == 1 && (y & 1) == 1 ? bright : dim);
        });
        CopyInto(before, raw);
        SuppressIsolatedDots(raw, GainRecord{1, 100, 100, 100});
        for (int y = 0; y < 12; ++y) {
            for (int x = 23; x < 40; ++x) {
                EXPECT_EQ(SampleAt(raw, x, y), SampleAt(before, x, y)) << bits << "-bit at " << x << ", " << y;
            }
        }
    }
}

TEST(DotSuppression, RefusesWhatItCannotWorkOn) {
    DibImage empty, colour, raw;
    ASSERT_EQ(colour.Create(8, 8, 24), 1);
    MakeRaw(raw, 8, 8, 8, [](int x, int y) { return x == 3 && y == 3 ? 255u : 0u; });
    const GainRecord unity{0, 100, 100, 100};
    EXPECT_EQ(SuppressIsolatedDots(empty, unity), -1);
    EXPECT_EQ(SuppressIsolatedDots(colour, unity), -1);
    EXPECT_EQ(SuppressIsolatedDots(raw, GainRecord{4, 100, 100, 100}), -1);
    EXPECT_EQ(SuppressIsolatedDots(raw, GainRecord{-1, 100, 100, 100}), -1);
    EXPECT_EQ(SampleAt(raw, 3, 3), 255u);
}
