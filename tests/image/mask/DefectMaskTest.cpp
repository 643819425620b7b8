// The defect references, mask building, and the mask and dot filters: each filter against the
// arithmetic written out plainly, on frames placed anywhere on the sensor.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "image/DibImage.h"
#include "image/filters/RawTestImages.h"
#include "image/mask/DefectMask.h"
#include "image/mask/DotFilter.h"
#include "image/mask/MaskFilter.h"

namespace ovilux::image::mask {
namespace {

using image::test::MakeRaw;
using image::test::SampleAt;
using image::test::SetSample;

size_t At(int32_t x, int32_t y) { return static_cast<size_t>(y) * kMaskWidth + static_cast<size_t>(x); }

std::unique_ptr<DefectMask> BlankMask() {
    std::unique_ptr<DefectMask> mask = MakeBlankDefectMask();
    EXPECT_NE(mask, nullptr);
    return mask;
}

TEST(DefectMask, BlankReferencesAndMasksHoldTheirFillsAtCreation) {
    const std::unique_ptr<DefectMask> mask = BlankMask();
    const DefectReferences& r = mask->references;
    EXPECT_TRUE(std::all_of(r.dark8.begin(), r.dark8.end(), [](uint8_t v) { return v == 0; }));
    EXPECT_TRUE(std::all_of(r.bright8.begin(), r.bright8.end(), [](uint8_t v) { return v == 255; }));
    EXPECT_TRUE(std::all_of(r.dark16.begin(), r.dark16.end(), [](uint16_t v) { return v == 0; }));
    EXPECT_TRUE(std::all_of(r.bright16.begin(), r.bright16.end(), [](uint16_t v) { return v == 4095; }));
    for (const auto* marks : {&mask->marks8.hot, &mask->marks8.dead, &mask->marks16.hot, &mask->marks16.dead}) {
        EXPECT_EQ(marks->size(), kMaskPixels);
        EXPECT_TRUE(std::all_of(marks->begin(), marks->end(), [](uint8_t v) { return v == 0; }));
    }
}

TEST(DefectMask, MasksMarkPastTheThresholdsAndNeverTheTwoOuterRowsAndColumns) {
    const std::unique_ptr<DefectMask> mask = BlankMask();
    DefectReferences& r = mask->references;
    struct Case {
        int32_t x, y;
        uint8_t dark8, bright8;
        uint16_t dark16, bright16;
        uint8_t hot, dead;  // expected in both depths
    };
    const Case cases[] = {
        {2, 2, 193, 63, 3073, 1023, 1, 1},          {100, 100, 192, 64, 3072, 1024, 0, 0},
        {kMaskWidth - 3, kMaskHeight - 3, 255, 0, 4095, 0, 1, 1},
        {1, 500, 255, 0, 4095, 0, 0, 0},            {500, kMaskHeight - 2, 255, 0, 4095, 0, 0, 0},
    };
    for (const Case& c : cases) {
        r.dark8[At(c.x, c.y)] = c.dark8;
        r.bright8[At(c.x, c.y)] = c.bright8;
        r.dark16[At(c.x, c.y)] = c.dark16;
        r.bright16[At(c.x, c.y)] = c.bright16;
    }
    RebuildAllMarks(*mask);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << ", " << c.y);
        EXPECT_EQ(mask->marks8.hot[At(c.x, c.y)], c.hot);
        EXPECT_EQ(mask->marks8.dead[At(c.x, c.y)], c.dead);
        EXPECT_EQ(mask->marks16.hot[At(c.x, c.y)], c.hot);
        EXPECT_EQ(mask->marks16.dead[At(c.x, c.y)], c.dead);
    }
}

// The mask filter's arithmetic, written out with plain division.
uint32_t Normalised(uint32_t v, uint32_t d, uint32_t b, bool sixteen) {
    const int32_t n = static_cast<int32_t>(v) - static_cast<int32_t>(d);
    const int32_t den = static_cast<int32_t>(b) - static_cast<int32_t>(d);
    if (sixteen ? d >= b : d == b) {
        return v;
    }
    const int32_t scale = sixteen ? 4096 : 256;
    return static_cast<uint32_t>(std::clamp(n * scale / den, 0, sixteen ? 4095 : 255));
}

TEST(MaskFilter, EverySampleIsNormalisedBetweenTheReferencesAtItsSensorPosition) {
    struct Case {
        uint16_t bits;
        int32_t width, height;
        FramePlacement placement;
    };
    const Case cases[] = {{8, kMaskWidth, kMaskHeight, {0, 0, 2}},
                          {8, 640, 480, {101, 57, 0}},
                          {16, 640, 480, {1952, 1464, 0}},
                          {16, 301, 199, {7, 3, 2}}};
    std::mt19937 rng(15);
    const std::unique_ptr<DefectMask> mask = BlankMask();
    DefectReferences& r = mask->references;
    for (size_t i = 0; i < kMaskPixels; ++i) {
        // Now and then equal or crossed references, which leave the sample alone.
        const uint32_t draw = rng();
        r.dark8[i] = static_cast<uint8_t>(draw % 64);
        r.bright8[i] = static_cast<uint8_t>(draw % 13 == 0 ? r.dark8[i] : (draw >> 8) % 256);
        r.dark16[i] = static_cast<uint16_t>((draw >> 4) % 1024);
        r.bright16[i] = static_cast<uint16_t>((draw >> 16) % 4096);
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << "-bit " << c.width << " x " << c.height);
        const bool sixteen = c.bits == 16;
        const uint32_t top = sixteen ? 4096 : 256;
        DibImage raw;
        MakeRaw(raw, c.width, c.height, c.bits, [&](int, int) { return rng() % top; });
        DibImage before;
        image::test::CopyInto(before, raw);
        ApplyMaskFilter(raw, r, c.placement);
        const int32_t m = c.placement.margin;
        int32_t wrong = 0;
        for (int32_t y = 0; y < c.height; ++y) {
            for (int32_t x = 0; x < c.width; ++x) {
                const uint32_t v = SampleAt(before, x, y);
                const bool inside = x >= m && x < c.width - m && y >= m && y < c.height - m;
                const size_t at = At(c.placement.left + x, c.placement.top + y);
                const uint32_t expected =
                    !inside ? v
                            : Normalised(v, sixteen ? r.dark16[at] : r.dark8[at], sixteen ? r.bright16[at] : r.bright8[at],
                                         sixteen);
                wrong += SampleAt(raw, x, y) != expected;
            }
        }
        EXPECT_EQ(wrong, 0);
    }
}

// Every 8-bit sample against every dark and bright pair, crossed and equal ones included; and
// 16-bit samples and references over the whole 16-bit range, beyond the 12 bits a camera gives,
// where the division must stay exact and clip.
TEST(MaskFilter, EveryEightBitTripleAndAnySixteenBitValuesDivideExactly) {
    const std::unique_ptr<DefectMask> mask = BlankMask();
    DefectReferences& r = mask->references;
    // Row y of the frame holds every sample value against bright y; one frame per dark value.
    DibImage ramps, raw;
    MakeRaw(ramps, 256, 256, 8, [](int x, int) { return static_cast<uint32_t>(x); });
    MakeRaw(raw, 256, 256, 8, [](int, int) { return 0u; });
    for (int32_t y = 0; y < 256; ++y) {
        std::fill_n(r.bright8.begin() + static_cast<std::ptrdiff_t>(At(0, y)), 256, static_cast<uint8_t>(y));
    }
    int32_t wrong = 0;
    for (uint32_t d = 0; d < 256; ++d) {
        for (int32_t y = 0; y < 256; ++y) {
            std::fill_n(r.dark8.begin() + static_cast<std::ptrdiff_t>(At(0, y)), 256, static_cast<uint8_t>(d));
        }
        std::memcpy(raw.Bits(), ramps.Bits(), static_cast<size_t>(raw.ImageBytes()));
        ApplyMaskFilter(raw, r, {0, 0, 0});
        for (int32_t y = 0; y < 256; ++y) {
            const auto* row = static_cast<const uint8_t*>(raw.Bits()) + static_cast<std::ptrdiff_t>(y) * raw.Stride();
            for (uint32_t v = 0; v < 256; ++v) {
                wrong += row[v] != Normalised(v, d, static_cast<uint32_t>(y), false);
            }
        }
    }
    EXPECT_EQ(wrong, 0) << "8-bit";
    wrong = 0;
    std::mt19937 rng(16);
    for (int32_t y = 0; y < 97; ++y) {
        for (int32_t x = 0; x < 301; ++x) {
            r.dark16[At(x, y)] = static_cast<uint16_t>(rng() % 3 == 0 ? rng() : rng() % 4096);
            r.bright16[At(x, y)] = static_cast<uint16_t>(rng() % 3 == 0 ? rng() : rng() % 4096);
        }
    }
    MakeRaw(raw, 301, 97, 16, [&](int, int) { return rng() % 65536; });
    DibImage before;
    image::test::CopyInto(before, raw);
    ApplyMaskFilter(raw, r, {0, 0, 0});
    for (int32_t y = 0; y < 97; ++y) {
        for (int32_t x = 0; x < 301; ++x) {
            wrong += SampleAt(raw, x, y) != Normalised(SampleAt(before, x, y), r.dark16[At(x, y)], r.bright16[At(x, y)], true);
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST(MaskFilter, BlankReferencesStretchSlightlyAndKeepSixteenBitSamplesTwelveBit) {
    const std::unique_ptr<DefectMask> mask = BlankMask();
    struct Case {
        uint16_t bits;
        uint32_t sample, expected;
    };
    const Case cases[] = {{8, 0, 0}, {8, 128, 128}, {8, 254, 254}, {8, 255, 255}, {16, 2000, 2000}, {16, 4095, 4095}};
    for (const Case& c : cases) {
        DibImage raw;
        MakeRaw(raw, 16, 16, c.bits, [&](int, int) { return c.sample; });
        ApplyMaskFilter(raw, mask->references, {0, 0, 0});
        EXPECT_EQ(SampleAt(raw, 8, 8), c.expected) << c.bits << "-bit " << c.sample;
    }
}

TEST(DotFilter, MatchesThePlainSearchesWithRunsAndBlocksOfMarks) {
    struct Case {
        uint16_t bits;
        int32_t width, height;
        FramePlacement placement;
    };
    const Case cases[] = {{8, 200, 150, {0, 0, 0}},
                          {8, 301, 97, {2400, 1900, 0}},  // partly beyond the masks' right and bottom edges
                          {16, 256, 128, {33, 71, 0}},
                          {16, 9, 9, {0, 0, 0}},
                          {8, 8, 8, {0, 0, 0}}};
    std::mt19937 rng(102);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << "-bit " << c.width << " x " << c.height);
        const std::unique_ptr<DefectMask> mask = BlankMask();
        DefectMarks& masks = c.bits == 8 ? mask->marks8 : mask->marks16;
        // Scattered flags, a flagged row run and a flagged block under the frame.
        for (int i = 0; i < 400; ++i) {
            masks.hot[rng() % kMaskPixels] = 1;
            masks.dead[rng() % kMaskPixels] = 1;
        }
        for (int32_t d = 0; d < 20; ++d) {
            masks.hot[At(c.placement.left + 10 + d, c.placement.top + 12)] = 1;
            for (int32_t e = 0; e < 12; ++e) {
                masks.dead[At(c.placement.left + 40 + d, c.placement.top + 30 + e)] = 1;
            }
        }
        const uint32_t level = c.bits == 8 ? 100 : 1600;
        const uint32_t spread = c.bits == 8 ? 24 : 400;
        DibImage raw;
        MakeRaw(raw, c.width, c.height, c.bits, [&](int, int) {
            // A flat field with noise and now and then a dot that the neighbour test catches.
            return rng() % 50 == 0 ? (rng() % 2 ? 0 : level * 2) : level + rng() % spread;
        });
        DibImage expected;
        image::test::CopyInto(expected, raw);
        ApplyDotFilterReference(expected, masks, c.placement);
        ApplyDotFilter(raw, *mask, c.placement);
        EXPECT_TRUE(image::test::SameBytes(raw, expected));
    }
}

TEST(DotFilter, AFlaggedSampleLikeItsNeighboursIsStillReplacedReadingTheMaskAtItsSensorPosition) {
    const FramePlacement placement{64, 32, 0};
    const std::unique_ptr<DefectMask> mask = BlankMask();
    // Flagged under the frame's (20, 10); a flag at the sensor's (30, 10), outside this frame's
    // view, must not touch the frame's (30, 10).
    mask->marks8.hot[At(placement.left + 20, placement.top + 10)] = 1;
    mask->marks8.dead[At(30, 10)] = 1;
    DibImage raw;
    MakeRaw(raw, 64, 48, 8, [](int, int) { return 100u; });
    SetSample(raw, 20, 10, 101);
    SetSample(raw, 19, 10, 96);
    SetSample(raw, 21, 10, 100);
    SetSample(raw, 20, 9, 104);
    SetSample(raw, 20, 11, 108);
    SetSample(raw, 30, 10, 101);
    ApplyDotFilter(raw, *mask, placement);
    EXPECT_EQ(SampleAt(raw, 20, 10), (96u + 100 + 104 + 108) / 4);
    EXPECT_EQ(SampleAt(raw, 30, 10), 101u);
}

}  // namespace
}  // namespace ovilux::image::mask
