// ConvertBlit's rectangles: defaults, clipping on either side, the row mapping into memory
// order, and GDI's Paint as an independent judge of where pixels land.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "image/DepthConverters.h"
#include "image/DibImage.h"

using namespace ovilux::image;

namespace {

struct Call {
    int count = 0;
    ImageRect rect{};
    int32_t dstX = 0, dstY = 0;
    uint16_t dstBytes = 0, srcBytes = 0;
    int32_t dstStride = 0, srcStride = 0;
    void* p1 = nullptr;
    void* p2 = nullptr;
};
Call gCall;

int Recorder(void*, const void*, const ImageRect& rect, int32_t dstX, int32_t dstY, uint16_t dstBytes, uint16_t srcBytes,
             int32_t dstStride, int32_t srcStride, void* p1, void* p2) {
    gCall = Call{gCall.count + 1, rect, dstX, dstY, dstBytes, srcBytes, dstStride, srcStride, p1, p2};
    return 77;
}

}  // namespace

TEST(ConvertBlit, WholeImagesMapOntoThemselves) {
    DibImage dst, src;
    ASSERT_EQ(dst.Create(10, 8, 24), 1);
    ASSERT_EQ(src.Create(10, 8, 16), 1);
    gCall = {};
    int a = 1, b = 2;
    EXPECT_EQ(DibImage::ConvertBlit(&dst, Recorder, &src, nullptr, &a, &b), 77);
    EXPECT_EQ(gCall.rect.left, 0);
    EXPECT_EQ(gCall.rect.top, 0);
    EXPECT_EQ(gCall.rect.right, 10);
    EXPECT_EQ(gCall.rect.bottom, 8);
    EXPECT_EQ(gCall.dstX, 0);
    EXPECT_EQ(gCall.dstY, 0);
    EXPECT_EQ(gCall.dstBytes, 3);
    EXPECT_EQ(gCall.srcBytes, 2);
    EXPECT_EQ(gCall.dstStride, 32);
    EXPECT_EQ(gCall.srcStride, 20);
    EXPECT_EQ(gCall.p1, &a);
    EXPECT_EQ(gCall.p2, &b);
}

TEST(ConvertBlit, RectanglesCountRowsFromThePictureTopAndAreClipped) {
    DibImage dst, src;
    ASSERT_EQ(dst.Create(10, 8, 8), 1);
    ASSERT_EQ(src.Create(12, 9, 8), 1);
    gCall = {};
    // Picture rows 2..4 of the 9-row source are memory rows 4..6; placed at picture row 1 of
    // the 8-row destination they occupy memory rows 4..6 there.
    const ImageRect rect{3, 2, 7, 5};
    const ImagePoint at{5, 1};
    ASSERT_EQ(DibImage::ConvertBlit(&dst, Recorder, &src, &rect, nullptr, nullptr, &at), 77);
    EXPECT_EQ(gCall.rect.left, 3);
    EXPECT_EQ(gCall.rect.right, 7);
    EXPECT_EQ(gCall.rect.top, 9 - 5);
    EXPECT_EQ(gCall.rect.bottom, 9 - 2);
    EXPECT_EQ(gCall.dstX, 5);
    EXPECT_EQ(gCall.dstY, 8 - 4);
    // Past the right and bottom edges of the destination: both rectangles shrink alike.
    const ImagePoint corner{8, 6};
    ASSERT_EQ(DibImage::ConvertBlit(&dst, Recorder, &src, &rect, nullptr, nullptr, &corner), 77);
    EXPECT_EQ(gCall.rect.left, 3);
    EXPECT_EQ(gCall.rect.right, 5);
    EXPECT_EQ(gCall.rect.top, 9 - 4);
    EXPECT_EQ(gCall.rect.bottom, 9 - 2);
    EXPECT_EQ(gCall.dstX, 8);
    EXPECT_EQ(gCall.dstY, 0);
    // Before the left and top edges.
    const ImagePoint before{-2, -1};
    ASSERT_EQ(DibImage::ConvertBlit(&dst, Recorder, &src, &rect, nullptr, nullptr, &before), 77);
    EXPECT_EQ(gCall.rect.left, 5);
    EXPECT_EQ(gCall.rect.bottom, 9 - 3);
    EXPECT_EQ(gCall.dstX, 0);
    EXPECT_EQ(gCall.dstY, 8 - 2);
    // A source rectangle hanging off the source keeps its pixels where they belong.
    const ImageRect hanging{-2, -1, 3, 2};
    const ImagePoint origin{4, 4};
    ASSERT_EQ(DibImage::ConvertBlit(&dst, Recorder, &src, &hanging, nullptr, nullptr, &origin), 77);
    EXPECT_EQ(gCall.rect.left, 0);
    EXPECT_EQ(gCall.rect.right, 3);
    EXPECT_EQ(gCall.rect.top, 9 - 2);
    EXPECT_EQ(gCall.rect.bottom, 9);
    EXPECT_EQ(gCall.dstX, 6);
    EXPECT_EQ(gCall.dstY, 8 - 7);
}

TEST(ConvertBlit, NothingLeftOrNothingToRunFails) {
    DibImage dst, src, empty;
    ASSERT_EQ(dst.Create(10, 8, 8), 1);
    ASSERT_EQ(src.Create(10, 8, 8), 1);
    gCall = {};
    const ImagePoint outside[] = {{10, 0}, {0, 8}, {-10, 0}, {0, -8}};
    for (const ImagePoint& at : outside) {
        EXPECT_EQ(DibImage::ConvertBlit(&dst, Recorder, &src, nullptr, nullptr, nullptr, &at), 0);
    }
    const ImageRect inverted{5, 5, 2, 6};
    const ImageRect offSource{20, 0, 25, 3};
    EXPECT_EQ(DibImage::ConvertBlit(&dst, Recorder, &src, &inverted, nullptr, nullptr), 0);
    EXPECT_EQ(DibImage::ConvertBlit(&dst, Recorder, &src, &offSource, nullptr, nullptr), 0);
    EXPECT_EQ(DibImage::ConvertBlit(&dst, nullptr, &src, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(DibImage::ConvertBlit(nullptr, Recorder, &src, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(DibImage::ConvertBlit(&dst, Recorder, nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(DibImage::ConvertBlit(&dst, Recorder, &empty, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(gCall.count, 0);
}

TEST(ConvertBlit, PlacesPixelsWhereGdiPaintPlacesThem) {
    // Copy32To24 through ConvertBlit and a GDI copy of the same rectangles must agree.
    std::mt19937 rng(11);
    DibImage src;
    ASSERT_EQ(src.Create(9, 7, 32), 1);
    auto* s = static_cast<uint8_t*>(src.Bits());
    for (int64_t i = 0; i < src.ImageBytes(); ++i) s[i] = static_cast<uint8_t>(rng());
    const ImageRect rects[] = {{0, 0, 9, 7}, {2, 1, 6, 5}, {-3, -2, 4, 3}, {5, 4, 12, 9}};
    const ImagePoint spots[] = {{0, 0}, {3, 2}, {-1, 4}, {6, -2}};
    for (const ImageRect& rect : rects) {
        for (const ImagePoint& at : spots) {
            DibImage converted, painted;
            ASSERT_EQ(converted.Create(8, 6, 24), 1);
            ASSERT_EQ(painted.Create(8, 6, 24), 1);
            const int c = DibImage::ConvertBlit(&converted, Copy32To24, &src, &rect, nullptr, nullptr, &at);
            ASSERT_EQ(painted.Paint(&src, &rect, at.x, at.y), 1);
            EXPECT_EQ(std::memcmp(converted.Bits(), painted.Bits(), static_cast<size_t>(painted.ImageBytes())), 0)
                << "rect " << rect.left << "," << rect.top << " at " << at.x << "," << at.y << " converted " << c;
        }
    }
}
