// The banded chain (demosaic and adjustments worked a band of rows at a time, on one thread or
// the rows shared among several) against the plain forms of every step run one after the other
// over the whole image: random frames of every depth, the smallest and odd sizes, bands down to
// one row, settings with and without the sharpening that keeps brightness apart, and settings a
// step refuses.
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

#include "RandomImage.h"
#include "image/Demosaic.h"
#include "image/filters/BandedChain.h"
#include "image/filters/HueSaturation.h"
#include "image/filters/Sharpen.h"
#include "image/filters/ToneCurves.h"

using namespace ovilux::image;
using namespace ovilux::image::filters;
using namespace ovilux::image::filters::test;

namespace {

void PlainChain(DibImage& result, const DibImage* raw, GainRecord gains, const Adjustments& a) {
    if (raw != nullptr) {
        const bool wide = raw->BitsPerPixel() == 16;
        ASSERT_NE(DibImage::ConvertBlit(&result, wide ? DemosaicInner16 : DemosaicInner8, raw, nullptr, &gains, nullptr), 0);
        ASSERT_NE(DibImage::ConvertBlit(&result, wide ? DemosaicBorder16 : DemosaicBorder8, raw, nullptr, &gains, nullptr), 0);
    }
    if (result.BitsPerPixel() >= 24 && (a.hue != 0 || a.saturation != 0)) {
        ShiftHueSaturationReference(result, a.hue, a.saturation);
    }
    // A step at its neutral value does not run (the plain form would still clip 16-bit samples
    // above 12 bits).
    auto tones = [&](int32_t gamma, int32_t contrast, int32_t brightness) {
        if (gamma != kUnityGamma || contrast != 0 || brightness != 0) {
            ApplyTonesReference(result, gamma, contrast, brightness);
        }
    };
    if (a.sharpness == 0) {
        tones(a.gamma, a.contrast, a.brightness);
        return;
    }
    tones(a.gamma, 0, 0);
    tones(kUnityGamma, a.contrast, 0);
    SharpenReference(result, a.sharpness);
    tones(kUnityGamma, 0, a.brightness);
}

const Adjustments kSettings[] = {
    {30, 40, 50, 40, 10, -30},    // every step on
    {-200, -255, 150, -60, 0, 90},  // no sharpening: the three tones as one table
    {0, 0, 100, 0, 30, 255},      // sharpening and the brightest brightness only
    {10, 0, 201, 20, 5, -10},     // a gamma out of range: contrast, sharpening, brightness still run
    {0, 20, 70, 0, 31, 40},       // a sharpness out of range: brightness still runs after it
    {0, 0, 100, 0, 0, 0},         // nothing but the demosaic
};

TEST(BandedChain, EqualsThePlainStepsOneAfterTheOther) {
    const Size sizes[] = {{4, 4}, {5, 5}, {6, 9}, {7, 5}, {13, 11}, {37, 19}, {9, 40}};
    uint32_t seed = 700;
    for (uint16_t bits : kAllDepths) {
        const bool colour = bits >= 24;
        const uint16_t rawBits = bits == 16 || bits >= 48 ? 16 : 8;
        for (Size size : sizes) {
            for (const Adjustments& a : kSettings) {
                for (auto [bandRows, threads] : {std::pair{0, 1}, {1, 1}, {2, 2}, {3, 1}, {7, 2}, {1, 3}, {0, 2}}) {
                    SCOPED_TRACE(::testing::Message() << bits << " bits " << size.width << "x" << size.height << " band "
                                                      << bandRows << " threads " << threads << " sharpness "
                                                      << a.sharpness);
                    DibImage raw, banded, plain;
                    // The raw frame one pixel larger each way: the demosaic clips it to the result.
                    ASSERT_TRUE(MakeRandom(raw, {size.width + 1, size.height + 1}, rawBits, ++seed));
                    ASSERT_TRUE(MakeRandom(banded, size, bits, ++seed));
                    CopyPixels(banded, plain);
                    const GainRecord gains{static_cast<int32_t>(seed % 4), 130, 100, 170};
                    const DibImage* source = colour ? &raw : nullptr;
                    ASSERT_TRUE(DemosaicAndAdjust(banded, source, gains, a, bandRows, threads));
                    PlainChain(plain, source, gains, a);
                    ASSERT_TRUE(SamePixels(banded, plain));
                }
            }
        }
    }
}

TEST(BandedChain, RefusedDemosaicWritesNothing) {
    DibImage raw, result, original;
    ASSERT_TRUE(MakeRandom(raw, {3, 8}, 8, 1));  // narrower than the demosaic needs
    ASSERT_TRUE(MakeRandom(result, {3, 8}, 24, 2));
    CopyPixels(result, original);
    EXPECT_FALSE(DemosaicAndAdjust(result, &raw, GainRecord{0, 100, 100, 100}, kSettings[0], 2, 2));
    EXPECT_TRUE(SamePixels(result, original));
    ASSERT_TRUE(MakeRandom(raw, {8, 8}, 16, 3));  // a 16-bit frame into an 8-bit-channel image
    ASSERT_TRUE(MakeRandom(result, {8, 8}, 24, 4));
    CopyPixels(result, original);
    EXPECT_FALSE(DemosaicAndAdjust(result, &raw, GainRecord{0, 100, 100, 100}, kSettings[0], 2, 2));
    EXPECT_TRUE(SamePixels(result, original));
}

}  // namespace
