// The preview: which image each mode paints, the one-to-one flipped copy, and the display copy
// for other window sizes. A 24-bit image's DC stands in for the window's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "image/ColourMode.h"
#include "image/DibImage.h"
#include "image/PreviewConversion.h"

using namespace ovilux::image;

namespace {

void Randomise(DibImage& image, uint32_t seed) {
    std::mt19937 rng(seed);
    auto* p = static_cast<uint8_t*>(image.Bits());
    for (int64_t i = 0; i < image.ImageBytes(); ++i) p[i] = static_cast<uint8_t>(rng());
}

const uint8_t* Row(const DibImage& image, int memoryRow) {
    return static_cast<const uint8_t*>(image.Bits()) + memoryRow * image.Stride();
}

struct Buffers {
    DibImage raw8, raw16, colour24, colour32, colour48, colour64;
    SessionImages Images() { return {&raw8, &raw16, &colour24, &colour32, &colour48, &colour64}; }
};

}  // namespace

TEST(PreviewConversion, EachModeReducesIntoItsPicture) {
    Buffers b;
    ASSERT_EQ(b.raw16.Create(6, 4, 16), 1);
    ASSERT_EQ(b.colour32.Create(6, 4, 32), 1);
    ASSERT_EQ(b.colour48.Create(6, 4, 48), 1);
    ASSERT_EQ(b.colour64.Create(6, 4, 64), 1);
    Randomise(b.raw16, 1);
    Randomise(b.colour32, 2);
    Randomise(b.colour48, 3);
    Randomise(b.colour64, 4);
    // Mode 1 gives the 8-bit raw buffer the 16-bit one's size before filling it.
    ASSERT_EQ(PreparePreviewPicture(kModeMono16, b.Images()), &b.raw8);
    ASSERT_EQ(b.raw8.Width(), 6);
    EXPECT_EQ(b.raw8.Header().bmiColors[77].rgbGreen, 77);
    // Bits 11 to 4 of each 12-bit sample; the random words above 4095 saturate.
    const auto eightBits = [](const uint8_t* word) { return std::min((word[0] | (word[1] << 8)) >> 4, 255); };
    EXPECT_EQ(Row(b.raw8, 2)[5], eightBits(Row(b.raw16, 2) + 10));
    ASSERT_EQ(PreparePreviewPicture(kModeColour32, b.Images()), &b.colour24);
    EXPECT_EQ(std::memcmp(Row(b.colour24, 3) + 3 * 4, Row(b.colour32, 3) + 4 * 4, 3), 0);
    for (int32_t mode : {kModeColour48, kModeColour64}) {
        const DibImage& deep = mode == kModeColour48 ? b.colour48 : b.colour64;
        ASSERT_EQ(PreparePreviewPicture(mode, b.Images()), &b.colour24);
        const uint8_t* s = Row(deep, 1) + 2 * deep.BytesPerPixel();
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(Row(b.colour24, 1)[6 + c], eightBits(s + 2 * c));
        }
    }
    EXPECT_EQ(PreparePreviewPicture(kModeMono8, b.Images()), &b.raw8);
    EXPECT_EQ(PreparePreviewPicture(kModeColour24, b.Images()), &b.colour24);
    EXPECT_EQ(PreparePreviewPicture(6, b.Images()), nullptr);
    SessionImages missing = b.Images();
    missing.colour32 = nullptr;
    EXPECT_EQ(PreparePreviewPicture(kModeColour32, missing), nullptr);
}

TEST(PreviewConversion, MatchingWindowGetsOneFlippedCopy) {
    DibImage picture, window, displayCopy;
    ASSERT_EQ(picture.Create(7, 5, 24), 1);
    ASSERT_EQ(window.Create(7, 5, 24), 1);
    Randomise(picture, 5);
    ASSERT_EQ(PaintPreviewPicture(window.Dc(), 7, 5, kModeColour24, picture, displayCopy), 1);
    for (int y = 0; y < 5; ++y) {
        EXPECT_EQ(std::memcmp(Row(window, y), Row(picture, 4 - y), 21), 0) << "row " << y;
    }
    EXPECT_EQ(displayCopy.Bits(), nullptr) << "no display copy for the one-to-one case";
}

TEST(PreviewConversion, OtherSizesAndModeOneGoThroughTheDisplayCopy) {
    DibImage gray, window, displayCopy;
    ASSERT_EQ(gray.Create(8, 6, 8), 1);
    ASSERT_EQ(window.Create(8, 6, 24), 1);
    Randomise(gray, 6);
    // Mode 1 at the image's own size: scaled (one to one, rows reversed) into an 8-bit copy.
    ASSERT_EQ(PaintPreviewPicture(window.Dc(), 8, 6, kModeMono16, gray, displayCopy), 1);
    ASSERT_EQ(displayCopy.Width(), 8);
    ASSERT_EQ(displayCopy.BitsPerPixel(), 8);
    for (int y = 0; y < 6; ++y) {
        EXPECT_EQ(std::memcmp(Row(displayCopy, y), Row(gray, 5 - y), 8), 0);
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(Row(window, y)[3 * x + 1], Row(displayCopy, y)[x]) << "expanded through the gray table";
        }
    }
    // A smaller window in a colour mode: the copy is remade at 24 bits and the client size.
    DibImage colour, small;
    ASSERT_EQ(colour.Create(8, 6, 24), 1);
    ASSERT_EQ(small.Create(4, 3, 24), 1);
    Randomise(colour, 7);
    ASSERT_EQ(PaintPreviewPicture(small.Dc(), 4, 3, kModeColour32, colour, displayCopy), 1);
    EXPECT_EQ(displayCopy.Width(), 4);
    EXPECT_EQ(displayCopy.BitsPerPixel(), 24);
    EXPECT_EQ(std::memcmp(small.Bits(), displayCopy.Bits(), static_cast<size_t>(small.ImageBytes())), 0);
    // Pixel (1, 1) of the copy comes from source column 2 and row index 2, read as row 6 - 1 - 2.
    EXPECT_EQ(std::memcmp(Row(displayCopy, 1) + 3, Row(colour, 3) + 6, 3), 0);
}

TEST(PreviewConversion, NothingToPaintOnFails) {
    DibImage picture, displayCopy, window;
    ASSERT_EQ(picture.Create(4, 4, 24), 1);
    ASSERT_EQ(window.Create(4, 4, 24), 1);
    EXPECT_EQ(PaintPreviewPicture(nullptr, 4, 4, kModeColour24, picture, displayCopy), 0);
    EXPECT_EQ(PaintPreviewPicture(window.Dc(), 0, 4, kModeColour24, picture, displayCopy), 0);
    EXPECT_EQ(PaintPreviewPicture(window.Dc(), 4, -1, kModeColour24, picture, displayCopy), 0);
    EXPECT_EQ(PaintPreviewPicture(window.Dc(), 4, 4, 9, picture, displayCopy), 0);
    DibImage empty;
    EXPECT_EQ(PaintPreviewPicture(window.Dc(), 4, 4, kModeColour24, empty, displayCopy), 0);
}
