// The depth, channel, repacking, scaling and measuring converters, each on its own small image,
// run through ConvertBlit or Scale as the pipeline runs them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "image/ChannelConverters.h"
#include "image/DepthConverters.h"
#include "image/DibImage.h"
#include "image/NearestScale.h"
#include "image/RowRepack.h"
#include "image/WindowMean.h"

using namespace ovilux::image;

namespace {

void Randomise(DibImage& image, uint32_t seed) {
    std::mt19937 rng(seed);
    auto* p = static_cast<uint8_t*>(image.Bits());
    for (int64_t i = 0; i < image.ImageBytes(); ++i) p[i] = static_cast<uint8_t>(rng());
}

const uint8_t* Pixel(const DibImage& image, int x, int memoryRow) {
    return static_cast<const uint8_t*>(image.Bits()) + memoryRow * image.Stride() + x * image.BytesPerPixel();
}

uint16_t WordAt(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// Checks every pixel of dst against expect(dstPixel, srcPixel), rows reversed when flipped.
template <typename Expect>
void ForEachPair(const DibImage& dst, const DibImage& src, bool flipped, Expect expect) {
    for (int y = 0; y < src.Height(); ++y) {
        const int srcRow = flipped ? src.Height() - 1 - y : y;
        for (int x = 0; x < src.Width(); ++x) {
            expect(Pixel(dst, x, y), Pixel(src, x, srcRow));
        }
    }
}

}  // namespace

TEST(Converters, GrayReductionsTakeTheirBitsInOrderOrReversed) {
    DibImage src, dst;
    ASSERT_EQ(src.Create(5, 4, 16), 1);
    ASSERT_EQ(dst.Create(5, 4, 8), 1);
    Randomise(src, 1);
    // 16-bit samples hold 12 bits: every reduction takes bits 11 to 4, saturating above.
    const auto eightBits = [](uint16_t v) { return std::min(v >> 4, 255); };
    ASSERT_EQ(DibImage::ConvertBlit(&dst, HighByte16To8, &src, nullptr, nullptr, nullptr), 1);
    ForEachPair(dst, src, false, [&](const uint8_t* d, const uint8_t* s) { EXPECT_EQ(d[0], eightBits(WordAt(s))); });
    ASSERT_EQ(DibImage::ConvertBlit(&dst, HighByte16To8Flip, &src, nullptr, nullptr, nullptr), 1);
    ForEachPair(dst, src, true, [&](const uint8_t* d, const uint8_t* s) { EXPECT_EQ(d[0], eightBits(WordAt(s))); });
    EXPECT_EQ(DibImage::ConvertBlit(&src, HighByte16To8, &dst, nullptr, nullptr, nullptr), 0) << "8 -> 16 is not one";
}

TEST(Converters, ColourReductionsTakeThreeChannels) {
    for (uint16_t bits : {48, 64}) {
        DibImage src, dst;
        ASSERT_EQ(src.Create(3, 5, bits), 1);
        ASSERT_EQ(dst.Create(3, 5, 24), 1);
        Randomise(src, bits);
        ASSERT_EQ(DibImage::ConvertBlit(&dst, Colour16To24Mid, &src, nullptr, nullptr, nullptr), 1);
        ForEachPair(dst, src, false, [](const uint8_t* d, const uint8_t* s) {
            for (int c = 0; c < 3; ++c) EXPECT_EQ(d[c], std::min(WordAt(s + 2 * c) >> 4, 255));
        });
        ASSERT_EQ(DibImage::ConvertBlit(&dst, Colour16To24HighFlip, &src, nullptr, nullptr, nullptr), 1);
        ForEachPair(dst, src, true, [](const uint8_t* d, const uint8_t* s) {
            for (int c = 0; c < 3; ++c) EXPECT_EQ(d[c], std::min(WordAt(s + 2 * c) >> 4, 255));
        });
    }
    for (uint16_t bits : {24, 32}) {
        DibImage src, dst;
        ASSERT_EQ(src.Create(6, 3, bits), 1);
        ASSERT_EQ(dst.Create(6, 3, 24), 1);
        Randomise(src, bits);
        ASSERT_EQ(DibImage::ConvertBlit(&dst, Colour24Flip, &src, nullptr, nullptr, nullptr), 1);
        ForEachPair(dst, src, true, [](const uint8_t* d, const uint8_t* s) { EXPECT_EQ(std::memcmp(d, s, 3), 0); });
        EXPECT_EQ(DibImage::ConvertBlit(&dst, Copy32To24, &src, nullptr, nullptr, nullptr), bits == 32 ? 1 : 0);
        if (bits == 32) {
            ForEachPair(dst, src, false, [](const uint8_t* d, const uint8_t* s) { EXPECT_EQ(std::memcmp(d, s, 3), 0); });
        }
    }
}

TEST(Converters, FlipCopyReversesRowsOfAnyDepthButNeedsEqualDepths) {
    for (uint16_t bits : {8, 24, 48}) {
        DibImage src, dst;
        ASSERT_EQ(src.Create(3, 4, bits), 1);
        ASSERT_EQ(dst.CopyFormat(&src), 1);
        Randomise(src, bits);
        ASSERT_EQ(DibImage::ConvertBlit(&dst, FlipCopy, &src, nullptr, nullptr, nullptr), 1);
        for (int y = 0; y < 4; ++y) {
            EXPECT_EQ(std::memcmp(Pixel(dst, 0, y), Pixel(src, 0, 3 - y), 3u * bits / 8), 0);
        }
    }
    DibImage a, b;
    ASSERT_EQ(a.Create(3, 4, 8), 1);
    ASSERT_EQ(b.Create(3, 4, 24), 1);
    EXPECT_EQ(DibImage::ConvertBlit(&b, FlipCopy, &a, nullptr, nullptr, nullptr), 0);
}

TEST(Converters, ChannelOrdersAndLuminance) {
    DibImage image, original;
    ASSERT_EQ(image.Create(4, 3, 32), 1);
    ASSERT_EQ(original.Create(4, 3, 32), 1);
    Randomise(original, 5);
    std::memcpy(image.Bits(), original.Bits(), static_cast<size_t>(image.ImageBytes()));
    ASSERT_EQ(DibImage::ConvertBlit(&image, SwapRedBlue8, &image, nullptr, nullptr, nullptr), 1);  // in place
    ForEachPair(image, original, false, [](const uint8_t* d, const uint8_t* s) {
        EXPECT_EQ(d[0], s[2]);
        EXPECT_EQ(d[1], s[1]);
        EXPECT_EQ(d[2], s[0]);
        EXPECT_EQ(d[3], s[3]);
    });
    DibImage alpha;
    ASSERT_EQ(alpha.Create(4, 3, 32), 1);
    ASSERT_EQ(DibImage::ConvertBlit(&alpha, AlphaInvert32, &original, nullptr, nullptr, nullptr), 1);
    ForEachPair(alpha, original, false, [](const uint8_t* d, const uint8_t* s) {
        EXPECT_EQ(std::memcmp(d, s, 3), 0);
        EXPECT_EQ(d[3], 255 - s[3]);
    });
    DibImage colour, gray;
    ASSERT_EQ(colour.Create(3, 2, 24), 1);
    ASSERT_EQ(gray.Create(3, 2, 8), 1);
    auto* c = static_cast<uint8_t*>(colour.Bits());
    const uint8_t bgr[3][3] = {{255, 255, 255}, {0, 0, 255}, {10, 20, 30}};
    for (int x = 0; x < 3; ++x) std::memcpy(c + 3 * x, bgr[x], 3);
    ASSERT_EQ(DibImage::ConvertBlit(&gray, Luminance24To8, &colour, nullptr, nullptr, nullptr), 1);
    const auto* g = static_cast<const uint8_t*>(gray.Bits());
    EXPECT_EQ(g[0], 255);
    EXPECT_EQ(g[1], 76);  // 30 x 255 / 100
    EXPECT_EQ(g[2], (30 * 30 + 59 * 20 + 11 * 10) / 100);
    EXPECT_EQ(DibImage::ConvertBlit(&alpha, AlphaInvert32, &colour, nullptr, nullptr, nullptr), 0);
}

TEST(Converters, RepackRowsMovesPackedRowsToTheStrideInPlace) {
    for (uint16_t bits : {8, 16}) {
        DibImage raw;
        ASSERT_EQ(raw.Create(5, 6, bits), 1);  // 5 or 10 bytes of pixels in 8 or 12 bytes of row
        const int packed = 5 * bits / 8;
        ASSERT_GT(raw.Stride(), packed);
        std::vector<uint8_t> frame(static_cast<size_t>(packed) * 6);
        for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>(i + 1);
        std::memcpy(raw.Bits(), frame.data(), frame.size());
        ASSERT_EQ(DibImage::ConvertBlit(&raw, bits == 8 ? RepackRows8 : RepackRows16, &raw, nullptr, nullptr, nullptr), 1);
        for (int y = 0; y < 6; ++y) {
            EXPECT_EQ(std::memcmp(Pixel(raw, 0, y), frame.data() + y * packed, packed), 0) << "row " << y;
        }
        EXPECT_EQ(DibImage::ConvertBlit(&raw, bits == 8 ? RepackRows16 : RepackRows8, &raw, nullptr, nullptr, nullptr), 0);
    }
}

TEST(Converters, WindowMeansCountTheirWindowOnly) {
    DibImage gray, deep;
    ASSERT_EQ(gray.Create(6, 4, 8), 1);
    ASSERT_EQ(deep.Create(6, 4, 16), 1);
    auto* g = static_cast<uint8_t*>(gray.Bits());
    auto* d = static_cast<uint8_t*>(deep.Bits());
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
            g[y * gray.Stride() + x] = static_cast<uint8_t>(10 * x + y);
            const uint16_t v = static_cast<uint16_t>(16 * (10 * x + y) + 15);  // bits 11 to 4 = 10x + y
            d[y * deep.Stride() + 2 * x] = static_cast<uint8_t>(v);
            d[y * deep.Stride() + 2 * x + 1] = static_cast<uint8_t>(v >> 8);
        }
    }
    // Picture rows 1 and 2 of the 4-row images are memory rows 2 and 1; columns 2 to 4.
    const ImageRect window{2, 1, 5, 3};
    const int expected = (2 * (20 + 30 + 40) + 3 * (1 + 2)) / 6;
    EXPECT_EQ(DibImage::ConvertBlit(&gray, WindowMean8, &gray, &window, nullptr, nullptr), expected);
    EXPECT_EQ(DibImage::ConvertBlit(&deep, WindowMean16, &deep, &window, nullptr, nullptr), expected);
    EXPECT_EQ(DibImage::ConvertBlit(&gray, WindowMean16, &gray, nullptr, nullptr, nullptr), 0);
}

TEST(Converters, NearestScalingPicksSinglePrecisionCoordinatesAndReversesRows) {
    struct Case {
        int srcW, srcH, dstW, dstH;
    };
    for (const Case& c : {Case{10, 7, 4, 3}, Case{3, 2, 7, 5}, Case{2592, 3, 641, 2}, Case{5, 5, 5, 5}}) {
        for (uint16_t bits : {8, 24}) {
            DibImage src, dst;
            ASSERT_EQ(src.Create(c.srcW, c.srcH, bits), 1);
            ASSERT_EQ(dst.Create(c.dstW, c.dstH, bits), 1);
            Randomise(src, static_cast<uint32_t>(c.srcW + bits));
            ASSERT_EQ(DibImage::Scale(&dst, bits == 8 ? ScaleNearest8 : ScaleNearest24, &src), 1);
            const float rx = static_cast<float>(c.srcW) / static_cast<float>(c.dstW);
            const float ry = static_cast<float>(c.srcH) / static_cast<float>(c.dstH);
            for (int y = 0; y < c.dstH; ++y) {
                const int row = std::min(static_cast<int>(static_cast<float>(y) * ry), c.srcH - 1);
                for (int x = 0; x < c.dstW; ++x) {
                    const int column = std::min(static_cast<int>(static_cast<float>(x) * rx), c.srcW - 1);
                    ASSERT_EQ(std::memcmp(Pixel(dst, x, y), Pixel(src, column, c.srcH - 1 - row), bits / 8), 0)
                        << c.srcW << "x" << c.srcH << " -> " << c.dstW << "x" << c.dstH << " at " << x << "," << y;
                }
            }
        }
    }
    DibImage a, b;
    ASSERT_EQ(a.Create(4, 4, 8), 1);
    ASSERT_EQ(b.Create(4, 4, 24), 1);
    EXPECT_EQ(DibImage::Scale(&b, ScaleNearest24, &a), 0);
    EXPECT_EQ(ScaleNearest8(a.Bits(), a.Bits(), ImageRect{0, 0, 4, 4}, 0, 0, 1, 1, 4, 4, nullptr, nullptr), 0);
}
