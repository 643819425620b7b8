// Gamma, contrast and brightness: the table forms against the per-sample reference on random
// images of every depth and size, the fused form against the three steps in turn, and the
// curves' defining values.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "image/filters/ToneCurves.h"
#include "RandomImage.h"

using namespace ovilux::image;
using namespace ovilux::image::filters;
using namespace ovilux::image::filters::test;

namespace {

struct Tones {
    int32_t gamma;
    int32_t contrast;
    int32_t brightness;
};

const std::vector<Tones> kSettings = {{50, 0, 0},  {200, 0, 0},   {0, 0, 0},     {100, 40, 0},  {100, -127, 0},
                                      {100, 127, 0}, {100, 0, -30}, {100, 0, 255}, {100, 0, -255}, {37, -90, 200},
                                      {163, 77, -111}, {0, 127, 255}};

// Each single step by its table against the reference, and all three fused against the three in
// turn: any depth, any size, fourth channel and row padding included in the comparison.
TEST(ToneCurves, TablesEqualTheReferenceAndFusingEqualsTheStepsInTurn) {
    // Each size takes a few of the settings in turn, so every setting meets every depth and most
    // sizes while the 12-bit tables (4096 powers each) are built a bounded number of times.
    uint32_t seed = 1;
    size_t turn = 0;
    for (uint16_t bits : kAllDepths) {
        for (Size size : kSizes) {
            for (size_t j = 0; j < 3; ++j) {
                const Tones& t = kSettings[turn++ % kSettings.size()];
                SCOPED_TRACE(::testing::Message() << bits << " bits " << size.width << "x" << size.height << " gamma "
                                                  << t.gamma << " contrast " << t.contrast << " brightness " << t.brightness);
                DibImage original, fused, stepped, reference;
                ASSERT_TRUE(MakeRandom(original, size, bits, ++seed));
                CopyPixels(original, fused);
                CopyPixels(original, stepped);
                CopyPixels(original, reference);
                ASSERT_TRUE(ApplyTones(fused, t.gamma, t.contrast, t.brightness));
                ASSERT_TRUE(ApplyGamma(stepped, t.gamma));
                ASSERT_TRUE(ApplyContrast(stepped, t.contrast));
                ASSERT_TRUE(ApplyBrightness(stepped, t.brightness));
                ASSERT_TRUE(ApplyTonesReference(reference, t.gamma, t.contrast, t.brightness));
                EXPECT_TRUE(SamePixels(fused, stepped));
                EXPECT_TRUE(SamePixels(fused, reference));
            }
        }
    }
}

TEST(ToneCurves, UnitySettingsLeaveEveryDepthUntouched) {
    for (uint16_t bits : kAllDepths) {
        DibImage image, original;
        ASSERT_TRUE(MakeRandom(image, {13, 11}, bits, bits));
        CopyPixels(image, original);
        EXPECT_TRUE(ApplyGamma(image, 100));
        EXPECT_TRUE(ApplyContrast(image, 0));
        EXPECT_TRUE(ApplyBrightness(image, 0));
        EXPECT_TRUE(ApplyTones(image, 100, 0, 0));
        EXPECT_TRUE(SamePixels(image, original)) << bits;
    }
}

// The curves' defining values, on both scales (max 255 and the 12-bit 4095).
TEST(ToneCurves, CurvesHitTheirDefiningValues) {
    struct Case {
        const char* what;
        int32_t (*curve)(int32_t, int32_t, int32_t);
        int32_t setting;
        int32_t max;
        int32_t in;
        int32_t out;
    };
    const Case cases[] = {
        {"brightness -255 is black", BrightnessSample, -255, 255, 255, 0},
        {"brightness -255 is black, 12 bits", BrightnessSample, -255, 4095, 4095, 0},
        {"brightness 255 times 11", BrightnessSample, 255, 255, 23, 253},
        {"brightness 255 times 11, clipped", BrightnessSample, 255, 255, 24, 255},
        {"brightness 255 times 11, 12 bits", BrightnessSample, 255, 4095, 372, 4092},
        {"brightness 255 times 11, 12 bits clipped", BrightnessSample, 255, 4095, 373, 4095},
        {"contrast 127 at 127", ContrastSample, 127, 255, 127, 0},
        {"contrast 127 at 128", ContrastSample, 127, 255, 128, 128},
        {"contrast 127 at 129", ContrastSample, 127, 255, 129, 255},
        {"contrast 127, 12 bits, below the threshold 2032", ContrastSample, 127, 4095, 2031, 0},
        {"contrast 127, 12 bits, above max - 2032", ContrastSample, 127, 4095, 2064, 4095},
        {"contrast -127 compresses toward the middle", ContrastSample, -127, 255, 0, 63},
        {"contrast -127 compresses toward the middle, 12 bits", ContrastSample, -127, 4095, 4095, 3075},
        {"gamma 0 below max", GammaSample, 0, 255, 254, 0},
        {"gamma 0 at max", GammaSample, 0, 4095, 4095, 4095},
        {"gamma 200 lifts the middle", GammaSample, 200, 255, 64, 127},
        {"gamma 50 lowers the middle, 12 bits", GammaSample, 50, 4095, 2048, 1024},
        {"gamma 50 keeps 0", GammaSample, 50, 255, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.curve(c.in, c.setting, c.max), c.out) << c.what;
    }
}

TEST(ToneCurves, ContrastOf127SplitsEightBitSamplesAtTheMiddle) {
    DibImage ramp;
    ASSERT_EQ(ramp.Create(256, 1, 8), 1);
    auto* bits = static_cast<uint8_t*>(ramp.Bits());
    for (int v = 0; v < 256; ++v) {
        bits[v] = static_cast<uint8_t>(v);
    }
    ASSERT_TRUE(ApplyContrast(ramp, 127));
    for (int v = 0; v < 256; ++v) {
        EXPECT_EQ(bits[v], v < 128 ? 0 : v == 128 ? 128 : 255) << v;
    }
}

TEST(ToneCurves, BadImagesAndSettingsAreRefusedAndLeaveTheImage) {
    DibImage empty;
    EXPECT_FALSE(ApplyGamma(empty, 50));
    EXPECT_FALSE(ApplyContrast(empty, 10));
    EXPECT_FALSE(ApplyBrightness(empty, 10));
    EXPECT_FALSE(ApplyTones(empty, 50, 10, 10));
    DibImage image, original;
    ASSERT_TRUE(MakeRandom(image, {5, 5}, 24, 7));
    CopyPixels(image, original);
    const Tones refused[] = {{-1, 0, 0}, {201, 0, 0}, {100, 128, 0}, {100, -128, 0}, {100, 0, 256}, {100, 0, -256}};
    for (const Tones& t : refused) {
        EXPECT_FALSE(ApplyTones(image, t.gamma, t.contrast, t.brightness));
        EXPECT_FALSE(ApplyTonesReference(image, t.gamma, t.contrast, t.brightness));
    }
    EXPECT_FALSE(ApplyGamma(image, 201));
    EXPECT_FALSE(ApplyContrast(image, 128));
    EXPECT_FALSE(ApplyBrightness(image, -256));
    EXPECT_TRUE(SamePixels(image, original));
}

}  // namespace
