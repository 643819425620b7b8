// The formats the library writes itself: BMP headers, colour table and bottom-up rows of every
// depth, and the raw memory image.
#include <gtest/gtest.h>

#include "TestImages.h"
#include "image/files/BmpLayout.h"
#include "image/files/ImageFileFormat.h"
#include "image/files/WriteImageFile.h"

using namespace ovilux::image;
using namespace ovilux::image::test;

namespace {

uint32_t Le16(const std::vector<uint8_t>& b, size_t at) { return b.at(at) | (b.at(at + 1) << 8); }
uint32_t Le32(const std::vector<uint8_t>& b, size_t at) { return Le16(b, at) | (Le16(b, at + 2) << 16); }

std::vector<uint8_t> SaveAndRead(const DibImage& image, int32_t format, const ScratchFolder& folder) {
    const std::string name = folder.Name("image.out");
    EXPECT_EQ(WriteImageFile(name.c_str(), image, format), 1);
    return ReadFileBytes(name);
}

}  // namespace

TEST(BmpFile, EightBitVgaFrameHasTheFullHeaderAndGrayTable) {
    DibImage image;
    MakeNoise(image, 640, 480, 8, 1);
    ScratchFolder folder;
    const std::vector<uint8_t> file = SaveAndRead(image, kFileFormatBmp, folder);
    ASSERT_EQ(file.size(), 308278u);
    EXPECT_EQ(Le16(file, 0), 0x4D42u);
    EXPECT_EQ(Le32(file, 2), 308278u) << "bfSize";
    EXPECT_EQ(Le32(file, 6), 0u) << "reserved";
    EXPECT_EQ(Le32(file, 10), 1078u) << "bfOffBits";
    const uint32_t info[] = {40, 640, 480};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(Le32(file, 14 + 4 * i), info[i]);
    }
    EXPECT_EQ(Le16(file, 26), 1u) << "planes";
    EXPECT_EQ(Le16(file, 28), 8u) << "bits";
    for (size_t at = 30; at < 54; at += 4) {
        EXPECT_EQ(Le32(file, at), 0u) << "header byte " << at;
    }
    for (uint32_t i = 0; i < 256; ++i) {
        ASSERT_EQ(Le32(file, 54 + 4 * i), i | (i << 8) | (i << 16)) << "gray entry " << i;
    }
}

TEST(BmpFile, ThreePixelWide24BitRowsAreTwelveBytes) {
    DibImage image;
    MakeNoise(image, 3, 2, 24, 2);
    ScratchFolder folder;
    const std::vector<uint8_t> file = SaveAndRead(image, kFileFormatBmp, folder);
    ASSERT_EQ(file.size(), 54u + 2 * 12);
    EXPECT_EQ(Le32(file, 2), 78u);
    EXPECT_EQ(Le32(file, 10), 54u);
    const auto* bits = static_cast<const uint8_t*>(image.Bits());
    // The bottom of the picture (the last memory row) comes first, padding bytes as stored.
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 54, file.begin() + 66), std::vector<uint8_t>(bits + 12, bits + 24));
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 66, file.end()), std::vector<uint8_t>(bits, bits + 12));
}

TEST(BmpFile, EveryDepthKeepsItsBitCountAndStoresRowsBottomUp) {
    ScratchFolder folder;
    for (uint16_t depth : AllDepths()) {
        for (int32_t width : {1, 3, 5, 8}) {
            SCOPED_TRACE(testing::Message() << depth << " bits, width " << width);
            DibImage image;
            MakeNoise(image, width, 3, depth, depth + width);
            const std::vector<uint8_t> file = SaveAndRead(image, kFileFormatBmp, folder);
            const uint32_t offset = depth == 8 ? 1078 : 54;
            ASSERT_EQ(file.size(), offset + 3u * image.Stride());
            EXPECT_EQ(Le32(file, 10), offset);
            EXPECT_EQ(Le16(file, 28), depth);
            EXPECT_EQ(Le32(file, 22), 3u) << "positive height: a bottom-up file";
            const auto* bits = static_cast<const uint8_t*>(image.Bits());
            for (int32_t row = 0; row < 3; ++row) {
                const uint8_t* memoryRow = bits + (2 - row) * image.Stride();
                EXPECT_EQ(std::vector<uint8_t>(file.begin() + offset + row * image.Stride(),
                                               file.begin() + offset + (row + 1) * image.Stride()),
                          std::vector<uint8_t>(memoryRow, memoryRow + image.Stride()))
                    << "file row " << row;
            }
        }
    }
}

TEST(BmpFile, EightBitImagesCarryTheirOwnColourTable) {
    DibImage image;
    MakeNoise(image, 4, 4, 8, 3);
    ovilux::platform::RgbQuad table[256];
    for (int i = 0; i < 256; ++i) {
        table[i] = {static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i / 2), static_cast<uint8_t>(i), 0};
    }
    ASSERT_EQ(image.SetColorTable(DibImage::kGivenTable, 0, 256, table), 256);
    const std::vector<uint8_t> headers = BmpHeaders(image);
    ASSERT_EQ(headers.size(), 1078u);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(headers[54 + 4 * i], table[i].rgbBlue);
        ASSERT_EQ(headers[55 + 4 * i], table[i].rgbGreen);
        ASSERT_EQ(headers[56 + 4 * i], table[i].rgbRed);
        ASSERT_EQ(headers[57 + 4 * i], 0);
    }
}

TEST(RawFile, IsTheMemoryBlockInBufferOrderForEveryDepth) {
    ScratchFolder folder;
    for (uint16_t depth : AllDepths()) {
        SCOPED_TRACE(depth);
        DibImage image;
        MakeNoise(image, 5, 4, depth, depth);
        const auto* bits = static_cast<const uint8_t*>(image.Bits());
        EXPECT_EQ(SaveAndRead(image, kFileFormatRaw, folder),
                  std::vector<uint8_t>(bits, bits + image.ImageBytes()));
    }
}
