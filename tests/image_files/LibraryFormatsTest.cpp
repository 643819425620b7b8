// JPEG, PNG and TIFF files of every depth read back through libjpeg, libpng and libtiff:
// sizes, depths, channel order, row order and sample values.
#include <gtest/gtest.h>

#include <cstdlib>

#include "FileReaders.h"
#include "TestImages.h"
#include "image/files/ImageFileFormat.h"
#include "image/files/PngWriter.h"
#include "image/files/WriteImageFile.h"

using namespace ovilux::image;
using namespace ovilux::image::test;

namespace {

// A viewable 16-bit file holds the 12-bit sample stretched by bit replication: its top 12 bits
// give the sample back exactly.
uint32_t Stretched(uint32_t sample) { return (sample << 4) | (sample >> 8); }

constexpr int kJpegRgbSpace = 3;    // JCS_YCbCr: how libjpeg stores an RGB picture
constexpr int kJpegGraySpace = 1;   // JCS_GRAYSCALE

// What the JPEG writer should have taken from a stored pixel: the byte (or bits 11 to 4 of the
// 12-bit sample) of gray, or of red, green and blue in that order.
uint32_t Expected8(const DibImage& image, int32_t x, int32_t y, int channel) {
    const int stored = ChannelsOf(image.BitsPerPixel()) == 1 ? 0 : 2 - channel;
    const uint32_t value = StoredSample(image, x, y, stored);
    return SampleBytesOf(image.BitsPerPixel()) == 2 ? value >> 4 : value;
}

struct JpegResult {
    Decoded picture;
    JpegInfo info;
    size_t fileBytes = 0;
    double meanError = 0;
    uint32_t maxError = 0;
};

JpegResult SaveJpeg(const DibImage& image, int32_t format, const ScratchFolder& folder) {
    JpegResult result;
    const std::string name = folder.Name("picture.jpg");
    EXPECT_EQ(WriteImageFile(name.c_str(), image, format), 1);
    std::string error;
    EXPECT_TRUE(ReadJpeg(name, result.picture, result.info, error)) << error;
    result.fileBytes = ReadFileBytes(name).size();
    const Decoded& p = result.picture;
    if (p.width != image.Width() || p.height != image.Height()) {
        ADD_FAILURE() << "decoded " << p.width << "x" << p.height;
        return result;
    }
    double sum = 0;
    for (int32_t y = 0; y < p.height; ++y) {
        for (int32_t x = 0; x < p.width; ++x) {
            for (int c = 0; c < p.channels; ++c) {
                const uint32_t error8 = static_cast<uint32_t>(std::abs(static_cast<int>(p.At(x, y, c)) -
                                                                       static_cast<int>(Expected8(image, x, y, c))));
                sum += error8;
                result.maxError = std::max(result.maxError, error8);
            }
        }
    }
    result.meanError = sum / (static_cast<double>(p.width) * p.height * p.channels);
    return result;
}

}  // namespace

TEST(JpegFile, EveryDepthIsAProgressivePictureWithTheTopRowFirst) {
    ScratchFolder folder;
    for (uint16_t depth : AllDepths()) {
        SCOPED_TRACE(testing::Message() << depth << " bits");
        DibImage image;
        MakeGradient(image, 61, 45, depth);  // odd sizes: padded rows and partial blocks
        const JpegResult result = SaveJpeg(image, kFileFormatJpeg100, folder);
        const bool gray = depth == 8 || depth == 16;
        EXPECT_EQ(result.picture.channels, gray ? 1 : 3);
        EXPECT_EQ(result.info.colourSpace, gray ? kJpegGraySpace : kJpegRgbSpace);
        EXPECT_TRUE(result.info.progressive);
        // An upside-down or channel-swapped picture is off by far more than this.
        EXPECT_LE(result.maxError, 4u);
    }
}

TEST(JpegFile, LowerQualitiesGiveSmallerFilesOfTheSamePicture) {
    ScratchFolder folder;
    DibImage detail;
    MakeNoise(detail, 96, 64, 24, 9);
    const size_t high = SaveJpeg(detail, kFileFormatJpeg100, folder).fileBytes;
    const size_t medium = SaveJpeg(detail, kFileFormatJpeg70, folder).fileBytes;
    const size_t low = SaveJpeg(detail, kFileFormatJpeg20, folder).fileBytes;
    EXPECT_GT(high, medium);
    EXPECT_GT(medium, low);

    DibImage smooth;
    MakeGradient(smooth, 96, 64, 24);
    const JpegResult q100 = SaveJpeg(smooth, kFileFormatJpeg100, folder);
    const JpegResult q70 = SaveJpeg(smooth, kFileFormatJpeg70, folder);
    const JpegResult q20 = SaveJpeg(smooth, kFileFormatJpeg20, folder);
    EXPECT_LE(q100.meanError, q70.meanError);
    EXPECT_LE(q70.meanError, q20.meanError);
    EXPECT_LT(q20.meanError, 8.0) << "still the same picture (upside down it would be off by about 75)";
    EXPECT_TRUE(q70.info.progressive && q20.info.progressive);
}

TEST(PngFile, EveryDepthKeepsEverySampleInRgbOrderTopRowFirst) {
    ScratchFolder folder;
    const std::string name = folder.Name("picture.png");
    for (uint16_t depth : AllDepths()) {
        for (int32_t width : {1, 3, 5, 16}) {
            SCOPED_TRACE(testing::Message() << depth << " bits, width " << width);
            DibImage image;
            MakeNoise(image, width, 7, depth, width * depth);
            ASSERT_EQ(WriteImageFile(name.c_str(), image, kFileFormatPng), 1);
            Decoded picture;
            PngInfo info;
            std::string error;
            ASSERT_TRUE(ReadPng(name, picture, info, error)) << error;
            const int channels = ChannelsOf(depth);
            const int sampleBits = SampleBytesOf(depth) * 8;
            ASSERT_EQ(picture.width, width);
            ASSERT_EQ(picture.height, 7);
            ASSERT_EQ(picture.channels, channels);
            EXPECT_EQ(picture.bitsPerSample, sampleBits);
            EXPECT_EQ(info.colourType, channels == 1 ? 0 : channels == 3 ? 2 : 6);
            const uint32_t full = (1u << sampleBits) - 1;
            for (int32_t y = 0; y < 7; ++y) {
                for (int32_t x = 0; x < width; ++x) {
                    for (int c = 0; c < channels; ++c) {
                        const uint32_t stored = StoredSample(image, x, y, channels == 1 ? 0 : c < 3 ? 2 - c : 3);
                        const uint32_t colour = sampleBits == 16 ? Stretched(stored) : stored;
                        const uint32_t expected = c < 3 ? colour : full - stored;
                        ASSERT_EQ(picture.At(x, y, c), expected) << "pixel " << x << "," << y << " channel " << c;
                    }
                }
            }
        }
    }
}

TEST(PngFile, TheLibrarysZeroFourthChannelReadsAsOpaque) {
    ScratchFolder folder;
    const std::string name = folder.Name("opaque.png");
    for (uint16_t depth : {uint16_t{32}, uint16_t{64}}) {
        DibImage image;
        MakeNoise(image, 9, 4, depth, 5);
        SetFourthChannel(image, 0);
        ASSERT_EQ(WriteImageFile(name.c_str(), image, kFileFormatPng), 1);
        Decoded picture;
        PngInfo info;
        std::string error;
        ASSERT_TRUE(ReadPng(name, picture, info, error)) << error;
        for (int32_t y = 0; y < 4; ++y) {
            for (int32_t x = 0; x < 9; ++x) {
                ASSERT_EQ(picture.At(x, y, 3), depth == 32 ? 0xFFu : 0xFFFFu) << depth << " bits, pixel " << x << "," << y;
            }
        }
    }
}

TEST(PngFile, SixteenBitSamplesAreStretchedBigEndianWithTwelveSignificantBits) {
    DibImage image;
    ASSERT_EQ(image.Create(2, 1, 16), 1);
    auto* words = static_cast<uint8_t*>(image.Bits());
    const uint8_t stored[] = {0x23, 0x01, 0xBC, 0x0A};  // 0x123 and 0xABC, little-endian in memory
    std::copy(std::begin(stored), std::end(stored), words);
    ScratchFolder folder;
    const std::string name = folder.Name("words.png");
    ASSERT_EQ(WriteImageFile(name.c_str(), image, kFileFormatPng), 1);
    Decoded picture;
    PngInfo info;
    std::string error;
    ASSERT_TRUE(ReadPng(name, picture, info, error)) << error;
    EXPECT_EQ(info.firstRow, (std::vector<uint8_t>{0x12, 0x31, 0xAB, 0xCA}));
    EXPECT_EQ(info.significantBits, 12);
}

TEST(PngFile, ALibpngErrorIsReportedOnStandardErrorAndFailsTheWrite) {
    DibImage image;
    MakeNoise(image, 32, 32, 48, 4);
    MemorySink fullDisk(200);
    testing::internal::CaptureStderr();
    const bool written = CPngWriter().Write(image, fullDisk);
    const std::string report = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(written);
    EXPECT_NE(report.find("libpng error: "), std::string::npos) << report;
}

TEST(TiffFile, EveryDepthHasItsTagsAndExactUnpaddedRows) {
    ScratchFolder folder;
    const std::string name = folder.Name("picture.tif");
    for (uint16_t depth : AllDepths()) {
        // Widths whose rows are not a multiple of 4 bytes are the ones padding would spoil.
        for (int32_t width : {1, 2, 3, 5, 7, 16}) {
            SCOPED_TRACE(testing::Message() << depth << " bits, width " << width);
            DibImage image;
            MakeNoise(image, width, 5, depth, width + depth);
            ASSERT_EQ(WriteImageFile(name.c_str(), image, kFileFormatTiff), 1);
            Decoded picture;
            TiffInfo info;
            std::string error;
            ASSERT_TRUE(ReadTiff(name, picture, info, error)) << error;
            const int channels = ChannelsOf(depth);
            ASSERT_EQ(picture.width, width);
            ASSERT_EQ(picture.height, 5);
            EXPECT_EQ(info.samplesPerPixel, channels);
            EXPECT_EQ(info.bitsPerSample, SampleBytesOf(depth) * 8);
            EXPECT_EQ(info.photometric, channels == 1 ? 1 : 2) << "black is zero, or RGB";
            EXPECT_EQ(info.compression, 1);
            EXPECT_EQ(info.planarConfig, 1);
            EXPECT_EQ(info.strips, 1u);
            EXPECT_EQ(info.extraSamples, channels == 4 ? std::vector<uint16_t>{0} : std::vector<uint16_t>{})
                << "the fourth sample is marked unspecified";
            const uint32_t fill = depth == 32 ? 0 : 0xFFFF;
            for (int32_t y = 0; y < 5; ++y) {
                for (int32_t x = 0; x < width; ++x) {
                    for (int c = 0; c < channels; ++c) {
                        const uint32_t stored = StoredSample(image, x, y, channels == 1 ? 0 : c < 3 ? 2 - c : 0);
                        const uint32_t colour = SampleBytesOf(depth) == 2 ? Stretched(stored) : stored;
                        const uint32_t expected = c < 3 ? colour : fill;
                        ASSERT_EQ(picture.At(x, y, c), expected) << "pixel " << x << "," << y << " channel " << c;
                    }
                }
            }
        }
    }
}
