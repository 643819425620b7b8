// Hue and saturation: grays keep their value under any hue, saturation -255 leaves chroma 0 or
// 1, the primaries turn a third of the wheel for 120 degrees, the 16-bit form works on bits 11
// to 4, and bad input is refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <vector>

#include "image/filters/HueSaturation.h"
#include "RandomImage.h"
#include "../EveryVectorIsa.h"

using namespace ovilux::image;
using namespace ovilux::image::filters;
using namespace ovilux::image::filters::test;
using ovilux::image::test::ForEveryVectorIsa;

namespace {

uint8_t* PixelAt(DibImage& image, int32_t x, int32_t y) {
    return static_cast<uint8_t*>(image.Bits()) + y * image.Stride() + x * image.BytesPerPixel();
}

// The run form (on every instruction set: vector blocks, tails of every length, runs split at
// their 512-pixel end) against the per-pixel one with its tables, over every depth and size and
// settings across the whole range (every sector and both wheel ends).
TEST(HueSaturation, RunFormEqualsThePlainOne) {
    struct Setting {
        int32_t hue;
        int32_t saturation;
    };
    const Setting settings[] = {{0, 1},   {1, 0},     {-1, 0},   {60, -255}, {119, 255}, {120, -40}, {181, 77},
                                {-300, 13}, {359, -128}, {360, 200}, {-360, -1}, {45, 255},  {-45, -255}};
    std::vector<Size> sizes = kSizes;
    sizes.push_back({523, 3});
    ForEveryVectorIsa([&] {
        uint32_t seed = 300;
        size_t turn = 0;
        for (uint16_t bits : kColourDepths) {
            for (Size size : sizes) {
                for (size_t j = 0; j < 4; ++j) {
                    const Setting& s = settings[turn++ % std::size(settings)];
                    SCOPED_TRACE(::testing::Message() << bits << " bits " << size.width << "x" << size.height << " hue "
                                                      << s.hue << " saturation " << s.saturation);
                    DibImage fast, plain;
                    ASSERT_TRUE(MakeRandom(fast, size, bits, ++seed));
                    CopyPixels(fast, plain);
                    ASSERT_TRUE(ShiftHueSaturation(fast, s.hue, s.saturation));
                    ASSERT_TRUE(ShiftHueSaturationReference(plain, s.hue, s.saturation));
                    ASSERT_TRUE(SamePixels(fast, plain));
                }
            }
        }
        // Every blue and green level against a spread of reds, so every chroma 0 .. 255 and
        // every sector turns up, beyond the random images.
        DibImage cube, plain;
        ASSERT_EQ(cube.Create(256, 256, 24), 1);
        for (int32_t y = 0; y < 256; ++y) {
            for (int32_t x = 0; x < 256; ++x) {
                uint8_t* p = static_cast<uint8_t*>(cube.Bits()) + y * cube.Stride() + x * 3;
                p[0] = static_cast<uint8_t>(x);
                p[1] = static_cast<uint8_t>(y);
                p[2] = static_cast<uint8_t>(x * 7 + y * 13);
            }
        }
        for (const Setting& s : {Setting{77, 0}, Setting{-200, 255}, Setting{10, -100}}) {
            DibImage fast;
            CopyPixels(cube, fast);
            CopyPixels(cube, plain);
            ASSERT_TRUE(ShiftHueSaturation(fast, s.hue, s.saturation));
            ASSERT_TRUE(ShiftHueSaturationReference(plain, s.hue, s.saturation));
            EXPECT_TRUE(SamePixels(fast, plain)) << "hue " << s.hue << " saturation " << s.saturation;
        }
    });
}

TEST(HueSaturation, GraysKeepTheirValueUnderAnyHue) {
    for (uint16_t bits : {uint16_t{24}, uint16_t{32}}) {
        DibImage image;
        ASSERT_EQ(image.Create(256, 1, bits), 1);
        for (int v = 0; v < 256; ++v) {
            std::fill_n(PixelAt(image, v, 0), 3, static_cast<uint8_t>(v));
        }
        for (int32_t hue : {-360, -200, -1, 1, 45, 120, 359, 360}) {
            ASSERT_TRUE(ShiftHueSaturation(image, hue, 0));
            for (int v = 0; v < 256; ++v) {
                const uint8_t* p = PixelAt(image, v, 0);
                ASSERT_TRUE(p[0] == v && p[1] == v && p[2] == v) << "hue " << hue << " gray " << v;
            }
        }
    }
}

TEST(HueSaturation, SaturationMinus255LeavesChromaZeroOrOne) {
    for (uint16_t bits : kColourDepths) {
        DibImage image;
        ASSERT_TRUE(MakeRandom(image, {37, 19}, bits, bits));
        ASSERT_TRUE(ShiftHueSaturation(image, 77, -255));
        const int32_t sampleBytes = bits >= 48 ? 2 : 1;
        for (int32_t y = 0; y < image.Height(); ++y) {
            for (int32_t x = 0; x < image.Width(); ++x) {
                int32_t c[3];
                for (int32_t k = 0; k < 3; ++k) {
                    const uint8_t* p = PixelAt(image, x, y) + k * sampleBytes;
                    c[k] = sampleBytes == 1 ? p[0] : ((p[0] | p[1] << 8) >> 4);
                }
                ASSERT_LE(std::max({c[0], c[1], c[2]}) - std::min({c[0], c[1], c[2]}), 1) << bits << " bits at " << x << "," << y;
            }
        }
    }
}

// Pure red, green and blue turned by whole thirds of the wheel land on the next primary, within
// the two levels the 1530-step wheel's rounding costs.
TEST(HueSaturation, PrimariesTurnByThirds) {
    struct Case {
        uint8_t in[3];  // blue, green, red
        int32_t hue;
        uint8_t out[3];
    };
    const Case cases[] = {
        {{0, 0, 255}, 120, {0, 255, 0}},  {{0, 255, 0}, 120, {255, 0, 0}}, {{255, 0, 0}, 120, {0, 0, 255}},
        {{0, 0, 255}, -120, {255, 0, 0}}, {{0, 0, 255}, 240, {255, 0, 0}}, {{0, 0, 255}, 60, {0, 255, 255}},
        {{0, 0, 200}, 180, {200, 200, 0}},
    };
    for (const Case& c : cases) {
        DibImage image;
        ASSERT_EQ(image.Create(1, 1, 24), 1);
        std::copy_n(c.in, 3, PixelAt(image, 0, 0));
        ASSERT_TRUE(ShiftHueSaturation(image, c.hue, 0));
        for (int k = 0; k < 3; ++k) {
            EXPECT_LE(std::abs(PixelAt(image, 0, 0)[k] - c.out[k]), 2) << "hue " << c.hue << " channel " << k;
        }
    }
}

// A 48 or 64-bit image is worked as the 24-bit image of its samples' bits 11 to 4, written back
// << 4; the fourth word of 64-bit pixels becomes 0, the fourth byte of 32-bit ones stays.
TEST(HueSaturation, SixteenBitChannelsFollowTheirTopEightOfTwelveBits) {
    for (uint16_t bits : {uint16_t{48}, uint16_t{64}}) {
        DibImage wide, narrow, expected;
        ASSERT_TRUE(MakeRandom(wide, {13, 11}, bits, 9));
        ASSERT_EQ(narrow.Create(13, 11, 24), 1);
        const int32_t channels = bits / 16;
        for (int32_t y = 0; y < 11; ++y) {
            for (int32_t x = 0; x < 13; ++x) {
                const auto* w = reinterpret_cast<const uint16_t*>(PixelAt(wide, x, y));
                for (int k = 0; k < 3; ++k) {
                    PixelAt(narrow, x, y)[k] = static_cast<uint8_t>(std::min<int>(w[k], 4095) >> 4);
                }
            }
        }
        ASSERT_TRUE(ShiftHueSaturation(wide, -150, 120));
        ASSERT_TRUE(ShiftHueSaturation(narrow, -150, 120));
        for (int32_t y = 0; y < 11; ++y) {
            for (int32_t x = 0; x < 13; ++x) {
                const auto* w = reinterpret_cast<const uint16_t*>(PixelAt(wide, x, y));
                for (int k = 0; k < 3; ++k) {
                    ASSERT_EQ(w[k], PixelAt(narrow, x, y)[k] << 4) << x << "," << y;
                }
                if (channels == 4) {
                    ASSERT_EQ(w[3], 0);
                }
            }
        }
    }
    DibImage image, original;
    ASSERT_TRUE(MakeRandom(image, {13, 11}, 32, 4));
    CopyPixels(image, original);
    ASSERT_TRUE(ShiftHueSaturation(image, 90, 90));
    for (int32_t y = 0; y < 11; ++y) {
        for (int32_t x = 0; x < 13; ++x) {
            ASSERT_EQ(PixelAt(image, x, y)[3], PixelAt(original, x, y)[3]);
        }
    }
}

TEST(HueSaturation, RefusesBadInputAndLeavesTheImage) {
    DibImage empty;
    EXPECT_FALSE(ShiftHueSaturation(empty, 10, 10));
    EXPECT_FALSE(ShiftHueSaturationReference(empty, 10, 10));
    for (uint16_t bits : {uint16_t{8}, uint16_t{16}}) {
        DibImage mono, original;
        ASSERT_TRUE(MakeRandom(mono, {5, 5}, bits, 1));
        CopyPixels(mono, original);
        EXPECT_FALSE(ShiftHueSaturation(mono, 10, 10));
        EXPECT_TRUE(SamePixels(mono, original));
    }
    DibImage image, original;
    ASSERT_TRUE(MakeRandom(image, {5, 5}, 24, 2));
    CopyPixels(image, original);
    EXPECT_FALSE(ShiftHueSaturation(image, 361, 0));
    EXPECT_FALSE(ShiftHueSaturation(image, -361, 0));
    EXPECT_FALSE(ShiftHueSaturation(image, 0, 256));
    EXPECT_FALSE(ShiftHueSaturation(image, 0, -256));
    EXPECT_TRUE(ShiftHueSaturation(image, 0, 0));
    EXPECT_TRUE(SamePixels(image, original));
}

}  // namespace
