// DibImage: creation and its failures, the heap fallback, formats copied, colour tables, and
// painting through GDI.
#include <gtest/gtest.h>

#include <cstring>

#include "image/DibImage.h"

using namespace ovilux::image;
using ovilux::platform::RgbQuad;

namespace {

bool AllZero(const DibImage& image) {
    const auto* p = static_cast<const uint8_t*>(image.Bits());
    for (int64_t i = 0; i < image.ImageBytes(); ++i) {
        if (p[i] != 0) return false;
    }
    return true;
}

void ExpectEmpty(const DibImage& image) {
    EXPECT_EQ(image.Bits(), nullptr);
    EXPECT_EQ(image.Dc(), nullptr);
    EXPECT_EQ(image.Width(), 0);
    EXPECT_EQ(image.Height(), 0);
    EXPECT_EQ(image.Stride(), 0);
    EXPECT_EQ(image.BitsPerPixel(), 0);
    EXPECT_EQ(image.Header().bmiHeader.biSize, 40u);
}

}  // namespace

TEST(DibImage, CreateFillsTheHeaderStrideAndGrayTable) {
    DibImage image;
    ASSERT_EQ(image.Create(5, 3, 8), 1);
    const auto& h = image.Header().bmiHeader;
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 5);
    EXPECT_EQ(h.biHeight, 3);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 8);
    EXPECT_EQ(h.biCompression, 0u);
    EXPECT_EQ(h.biSizeImage, 0u);
    EXPECT_EQ(image.Stride(), 8);
    EXPECT_EQ(image.Header().bmiColors[200].rgbRed, 200);
    EXPECT_EQ(image.Header().bmiColors[200].rgbReserved, 0);
    EXPECT_NE(image.Dc(), nullptr);
    EXPECT_TRUE(AllZero(image));
    ASSERT_EQ(image.Create(3, 2, 24), 1);  // the previous content goes
    EXPECT_EQ(image.Stride(), 12);
    EXPECT_EQ(image.Header().bmiColors[200].rgbRed, 0);
}

TEST(DibImage, CreateRefusesEmptyOrUnknownFormatsAndIsLeftEmpty) {
    DibImage image;
    ASSERT_EQ(image.Create(4, 4, 24), 1);
    for (auto [w, h, bits] : {std::tuple{0, 4, 24}, {4, 0, 24}, {-3, 4, 24}, {4, 4, 0}, {4, 4, 12}, {4, 4, 1},
                              {70000, 70000, 32}}) {
        EXPECT_EQ(image.Create(w, h, static_cast<uint16_t>(bits)), 0) << w << " x " << h << " x " << bits;
        ExpectEmpty(image);
    }
}

TEST(DibImage, FallsBackToHeapPixelsWhenNoSectionCanBeMade) {
    DibImage image, source;
    ovilux::platform::FailNextDibSections(1);
    ASSERT_EQ(image.Create(6, 4, 24), 1);
    EXPECT_NE(image.Bits(), nullptr);
    EXPECT_EQ(image.Dc(), nullptr);
    EXPECT_TRUE(AllZero(image));
    ASSERT_EQ(source.Create(6, 4, 24), 1);
    EXPECT_NE(source.Dc(), nullptr) << "only the one injected failure";
    EXPECT_EQ(image.Paint(&source, nullptr, 0, 0), 0) << "GDI needs a DC";
    // Converters still work on heap pixels; GDI has no 48 or 64-bit sections at all.
    DibImage deep;
    ASSERT_EQ(deep.Create(6, 4, 48), 1);
    EXPECT_EQ(deep.Dc(), nullptr);
    EXPECT_EQ(deep.Stride(), 36);
    EXPECT_TRUE(AllZero(deep));
    image.Destroy();
    ExpectEmpty(image);
}

TEST(DibImage, CopyFormatTakesHeaderAndTableButNotPixels) {
    DibImage original, copy;
    EXPECT_EQ(copy.CopyFormat(nullptr), 0);
    EXPECT_EQ(copy.CopyFormat(&original), 0);  // empty
    ASSERT_EQ(original.Create(7, 5, 8), 1);
    const RgbQuad red{0, 0, 255, 0};
    ASSERT_EQ(original.SetColorTable(DibImage::kGivenTable, 9, 1, &red), 1);
    std::memset(original.Bits(), 9, static_cast<size_t>(original.ImageBytes()));
    ASSERT_EQ(copy.CopyFormat(&original), 1);
    EXPECT_EQ(std::memcmp(&copy.Header(), &original.Header(), sizeof(original.Header())), 0);
    EXPECT_EQ(copy.Stride(), original.Stride());
    EXPECT_TRUE(AllZero(copy));
    // The table reaches the copy's DC: a pixel of index 9 paints red.
    DibImage colour;
    ASSERT_EQ(colour.Create(7, 5, 24), 1);
    std::memset(copy.Bits(), 9, static_cast<size_t>(copy.ImageBytes()));
    ASSERT_EQ(colour.Paint(&copy, nullptr, 0, 0), 1);
    const auto* p = static_cast<const uint8_t*>(colour.Bits());
    EXPECT_EQ(p[0], 0);
    EXPECT_EQ(p[2], 255);
    ASSERT_EQ(copy.CopyFormat(&copy), 1);  // onto itself: the format survives
    EXPECT_EQ(copy.Width(), 7);
    EXPECT_EQ(copy.Header().bmiColors[9].rgbRed, 255);
}

TEST(DibImage, SetColorTableWritesGrayOrGivenEntriesOfEightBitImages) {
    DibImage gray, colour;
    ASSERT_EQ(gray.Create(4, 1, 8), 1);
    ASSERT_EQ(colour.Create(4, 1, 24), 1);
    RgbQuad inverted[256];
    for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<uint8_t>(255 - i);
        inverted[i] = RgbQuad{v, v, v, 0};
    }
    EXPECT_EQ(gray.SetColorTable(DibImage::kGivenTable, 0, 256, inverted), 256);
    EXPECT_EQ(gray.SetColorTable(DibImage::kGivenTable, 250, 100, inverted), 6);  // cut at the table's end
    EXPECT_EQ(gray.SetColorTable(DibImage::kGivenTable, 256, 1, inverted), 0);
    EXPECT_EQ(gray.SetColorTable(DibImage::kGivenTable, 0, 1, nullptr), 0);
    EXPECT_EQ(gray.SetColorTable(1, 0, 1, inverted), 0);
    EXPECT_EQ(colour.SetColorTable(DibImage::kGrayTable, 0, 0, nullptr), 0);
    auto* g = static_cast<uint8_t*>(gray.Bits());
    g[0] = 0;
    g[1] = 100;
    ASSERT_EQ(colour.Paint(&gray, nullptr, 0, 0), 1);
    EXPECT_EQ(static_cast<const uint8_t*>(colour.Bits())[0], 255);
    EXPECT_EQ(static_cast<const uint8_t*>(colour.Bits())[3], 155);
    EXPECT_EQ(gray.SetColorTable(DibImage::kGrayTable, 0, 0, nullptr), 256);
    ASSERT_EQ(colour.Paint(&gray, nullptr, 0, 0), 1);
    EXPECT_EQ(static_cast<const uint8_t*>(colour.Bits())[0], 0);
    EXPECT_EQ(static_cast<const uint8_t*>(colour.Bits())[4], 100);
    EXPECT_EQ(gray.Header().bmiColors[0].rgbBlue, 0);
}

TEST(DibImage, PaintExpandsGrayIntoColourAtAnOffset) {
    DibImage gray, colour;
    ASSERT_EQ(gray.Create(4, 3, 8), 1);
    ASSERT_EQ(colour.Create(5, 4, 32), 1);
    auto* g = static_cast<uint8_t*>(gray.Bits());
    for (int row = 0; row < 3; ++row) {
        for (int x = 0; x < 4; ++x) {
            g[row * gray.Stride() + x] = static_cast<uint8_t>(50 * row + x);
        }
    }
    // Picture rectangle (1, 0)-(3, 2) of the gray image: memory rows 2 and 1, columns 1 and 2.
    const ImageRect rect{1, 0, 3, 2};
    ASSERT_EQ(colour.Paint(&gray, &rect, 2, 1), 1);
    const auto* c = static_cast<const uint8_t*>(colour.Bits());
    // Picture row 1 of the 4-row colour image is its memory row 2.
    const uint8_t* p = c + 2 * colour.Stride() + 2 * 4;
    EXPECT_EQ(p[0], 101);
    EXPECT_EQ(p[1], 101);
    EXPECT_EQ(p[2], 101);
    EXPECT_EQ(p[4], 102);
    EXPECT_EQ((c + 1 * colour.Stride() + 2 * 4)[0], 51);
    EXPECT_EQ((c + 3 * colour.Stride() + 2 * 4)[0], 0);
    EXPECT_EQ(colour.Paint(nullptr, nullptr, 0, 0), 0);
    const ImageRect empty{2, 2, 2, 3};
    EXPECT_EQ(colour.Paint(&gray, &empty, 0, 0), 0);
}
