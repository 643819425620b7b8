// The GDI calls the image layer relies on. The same expectations run against the software
// stand-in on Linux and against the system's GDI under Wine, which keeps the two alike.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/Gdi.h"

using namespace ovilux::platform;

namespace {

BitmapInfo Format(int32_t width, int32_t height, uint16_t bits) {
    BitmapInfo info{};
    info.bmiHeader = BitmapInfoHeader{sizeof(BitmapInfoHeader), width, height, 1, bits, kBiRgb, 0, 0, 0, 0, 0};
    for (uint32_t i = 0; i < kColorTableEntries; ++i) {
        info.bmiColors[i] = RgbQuad{static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i), 0};
    }
    return info;
}

int32_t Stride(int32_t width, uint16_t bits) { return (width * bits / 8 + 3) / 4 * 4; }

// A bottom-up section selected into its own memory DC.
struct Surface {
    Surface(int32_t width, int32_t height, uint16_t bits) : width(width), height(height), bits(bits) {
        bitmap = CreateDibSection(Format(width, height, bits), &pixels);
        dc = CreateMemoryDc();
        old = SelectIntoDc(dc, bitmap);
    }
    ~Surface() {
        SelectIntoDc(dc, old);
        DeleteMemoryDc(dc);
        DeleteDibSection(bitmap);
    }
    // Memory row of picture row y (counted from the top as shown).
    uint8_t* Pixel(int32_t x, int32_t pictureRow) const {
        return static_cast<uint8_t*>(pixels) + (height - 1 - pictureRow) * Stride(width, bits) + x * (bits / 8);
    }
    bool Ready() const { return bitmap != nullptr && dc != nullptr && old != nullptr && pixels != nullptr; }
    int32_t width, height;
    uint16_t bits;
    void* pixels = nullptr;
    BitmapHandle bitmap;
    DcHandle dc;
    BitmapHandle old;
};

}  // namespace

TEST(Gdi, SectionsExistForGdiDepthsOnlyAndStartZeroed) {
    for (uint16_t bits : {8, 16, 24, 32}) {
        void* pixels = nullptr;
        BitmapHandle bitmap = CreateDibSection(Format(5, 3, bits), &pixels);
        ASSERT_NE(bitmap, nullptr) << bits;
        ASSERT_NE(pixels, nullptr);
        const auto* bytes = static_cast<const uint8_t*>(pixels);
        for (int i = 0; i < 3 * Stride(5, bits); ++i) {
            ASSERT_EQ(bytes[i], 0);
        }
        EXPECT_TRUE(DeleteDibSection(bitmap));
    }
    for (uint16_t bits : {48, 64}) {
        void* pixels = reinterpret_cast<void*>(1);
        EXPECT_EQ(CreateDibSection(Format(5, 3, bits), &pixels), nullptr) << bits;
        EXPECT_EQ(pixels, nullptr);
    }
    void* pixels = nullptr;
    EXPECT_EQ(CreateDibSection(Format(0, 3, 24), &pixels), nullptr);
    EXPECT_EQ(CreateDibSection(Format(4, 4, 24), nullptr), nullptr);
}

TEST(Gdi, InjectedFailuresRefuseExactlyTheNextSections) {
    FailNextDibSections(2);
    void* pixels = nullptr;
    EXPECT_EQ(CreateDibSection(Format(4, 4, 24), &pixels), nullptr);
    EXPECT_EQ(CreateDibSection(Format(4, 4, 8), &pixels), nullptr);
    BitmapHandle third = CreateDibSection(Format(4, 4, 24), &pixels);
    EXPECT_NE(third, nullptr);
    DeleteDibSection(third);
}

TEST(Gdi, ColourTablesBelongToEightBitSections) {
    Surface gray(4, 2, 8), colour(4, 2, 24);
    ASSERT_TRUE(gray.Ready());
    ASSERT_TRUE(colour.Ready());
    const RgbQuad entries[2] = {{1, 2, 3, 0}, {4, 5, 6, 0}};
    EXPECT_EQ(SetDibColorTable(gray.dc, 10, 2, entries), 2u);
    RgbQuad back[3] = {};
    EXPECT_EQ(GetDibColorTable(gray.dc, 9, 3, back), 3u);
    EXPECT_EQ(back[0].rgbRed, 9);
    EXPECT_EQ(back[1].rgbRed, 3);
    EXPECT_EQ(back[2].rgbBlue, 4);
    EXPECT_EQ(SetDibColorTable(colour.dc, 0, 2, entries), 0u);
    EXPECT_EQ(GetDibColorTable(colour.dc, 0, 2, back), 0u);
}

TEST(Gdi, BitBltExpandsEightBitThroughItsTable) {
    Surface gray(3, 2, 8), colour(3, 2, 24), wide(3, 2, 32), wideFromGray(3, 2, 32);
    ASSERT_TRUE(gray.Ready() && colour.Ready() && wide.Ready() && wideFromGray.Ready());
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            *gray.Pixel(x, y) = static_cast<uint8_t>(40 * y + 10 * x + 7);
            wide.Pixel(x, y)[3] = 0x77;
        }
    }
    const RgbQuad odd{11, 22, 33, 0};
    ASSERT_EQ(SetDibColorTable(gray.dc, 17, 1, &odd), 1u);  // the pixel (1, 0)
    ASSERT_TRUE(BitBlt(colour.dc, 0, 0, 3, 2, gray.dc, 0, 0));
    ASSERT_TRUE(BitBlt(wide.dc, 0, 0, 3, 2, colour.dc, 0, 0));
    ASSERT_TRUE(BitBlt(wideFromGray.dc, 0, 0, 3, 2, gray.dc, 0, 0));
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            const uint8_t v = static_cast<uint8_t>(40 * y + 10 * x + 7);
            const uint8_t* p = colour.Pixel(x, y);
            if (v == 17) {
                EXPECT_EQ(p[0], 11);
                EXPECT_EQ(p[1], 22);
                EXPECT_EQ(p[2], 33);
            } else {
                EXPECT_EQ(p[0], v);
                EXPECT_EQ(p[1], v);
                EXPECT_EQ(p[2], v);
            }
            EXPECT_EQ(std::memcmp(wide.Pixel(x, y), p, 3), 0);
            EXPECT_EQ(wide.Pixel(x, y)[3], 0) << "a 32-bit destination gets a zero fourth byte";
            EXPECT_EQ(std::memcmp(wideFromGray.Pixel(x, y), wide.Pixel(x, y), 4), 0);
        }
    }
}

TEST(Gdi, BitBltCopiesRectanglesInPictureCoordinatesAndClips) {
    Surface src(4, 4, 24), dst(4, 4, 24);
    ASSERT_TRUE(src.Ready() && dst.Ready());
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            src.Pixel(x, y)[0] = static_cast<uint8_t>(16 * y + x + 1);
        }
    }
    // The 2 x 2 block at (1, 1) of the picture, to (2, 0); a part that falls off is dropped.
    ASSERT_TRUE(BitBlt(dst.dc, 2, 0, 2, 2, src.dc, 1, 1));
    EXPECT_EQ(dst.Pixel(2, 0)[0], 16 + 2);
    EXPECT_EQ(dst.Pixel(3, 1)[0], 32 + 3);
    EXPECT_EQ(dst.Pixel(1, 0)[0], 0);
    ASSERT_TRUE(BitBlt(dst.dc, -1, 3, 3, 3, src.dc, 0, 0));
    EXPECT_EQ(dst.Pixel(0, 3)[0], 2);
    EXPECT_EQ(dst.Pixel(1, 3)[0], 3);
    EXPECT_EQ(dst.Pixel(2, 3)[0], 0);
}

TEST(Gdi, StretchBltWithNegativeSourceHeightReversesRows) {
    for (uint16_t bits : {24, 32}) {
        Surface src(3, 4, bits), dst(3, 4, 24);
        ASSERT_TRUE(src.Ready() && dst.Ready());
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 3; ++x) {
                uint8_t* p = src.Pixel(x, y);
                p[0] = static_cast<uint8_t>(y);
                p[1] = static_cast<uint8_t>(x);
                p[2] = static_cast<uint8_t>(100 + y);
            }
        }
        ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, 3, 4, src.dc, 0, 3, 3, -4));
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 3; ++x) {
                const uint8_t* p = dst.Pixel(x, y);
                EXPECT_EQ(p[0], 3 - y);
                EXPECT_EQ(p[1], x);
                EXPECT_EQ(p[2], 103 - y);
            }
        }
        // In memory the copy's rows are the source's rows in reverse order.
        EXPECT_EQ(std::memcmp(dst.Pixel(0, 0), src.Pixel(0, 3), 3), 0);
        // An origin one past the last row starts outside: the first row never arrives and the
        // copy's first row is not written.
        Surface shifted(3, 4, 24);
        std::memset(shifted.pixels, 0xEE, 12 * 4);
        ASSERT_TRUE(StretchBlt(shifted.dc, 0, 0, 3, 4, src.dc, 0, 4, 3, -4));
        EXPECT_EQ(shifted.Pixel(0, 0)[0], 0xEE);
        for (int y = 1; y < 4; ++y) {
            EXPECT_EQ(shifted.Pixel(2, y)[0], 4 - y);
        }
    }
}

TEST(Gdi, BadHandlesFailWithoutHarm) {
    EXPECT_FALSE(BitBlt(nullptr, 0, 0, 1, 1, nullptr, 0, 0));
    EXPECT_FALSE(StretchBlt(nullptr, 0, 0, 1, 1, nullptr, 0, 1, 1, -1));
    EXPECT_EQ(SelectIntoDc(nullptr, nullptr), nullptr);
    EXPECT_FALSE(DeleteMemoryDc(nullptr));
    EXPECT_FALSE(DeleteDibSection(nullptr));
    EXPECT_EQ(SetDibColorTable(nullptr, 0, 1, nullptr), 0u);
    Surface a(2, 2, 8);
    DcHandle other = CreateMemoryDc();
    ASSERT_NE(other, nullptr);
    // A section can be selected into one DC at a time.
    EXPECT_EQ(SelectIntoDc(other, a.bitmap), nullptr);
    EXPECT_TRUE(DeleteMemoryDc(other));
}
