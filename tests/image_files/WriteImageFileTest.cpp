// Saving as a whole: refused arguments, missing folders and read-only files leave everything as
// it was; a failed write anywhere fails the save; a complete file replaces the old one; names in
// the ANSI code page, Japanese included.
#include <gtest/gtest.h>


#include "TestImages.h"
#include "image/files/ImageFileFormat.h"
#include "image/files/OutputFile.h"
#include "image/files/WriteImageFile.h"
#include "platform/TextCodec.h"
#include "support/JapaneseCodePage.h"


using namespace ovilux::image;
using namespace ovilux::image::test;
namespace fs = std::filesystem;

namespace {

const std::vector<uint8_t> kOldContent(3000, 0x5A);

std::vector<int32_t> AllFormats() {
    std::vector<int32_t> formats;
    for (int32_t format = 0; format < kFileFormatCount; ++format) {
        formats.push_back(format);
    }
    return formats;
}

}  // namespace

TEST(WriteImageFile, RefusedArgumentsCreateAndChangeNothing) {
    ScratchFolder folder;
    const std::string kept = folder.Name("kept.png");
    WriteFileBytes(kept, kOldContent);
    DibImage image;
    MakeNoise(image, 8, 8, 24, 1);
    for (int32_t format : {-1, 7, 100, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(WriteImageFile(kept.c_str(), image, format), 0) << format;
        EXPECT_EQ(WriteImageFile(folder.Name("new.png").c_str(), image, format), 0) << format;
    }
    const DibImage empty;
    for (int32_t format : AllFormats()) {
        EXPECT_EQ(WriteImageFile(kept.c_str(), empty, format), 0) << "an image without pixels, format " << format;
        EXPECT_EQ(WriteImageFile(nullptr, image, format), 0);
        EXPECT_EQ(WriteImageFile("", image, format), 0);
    }
    EXPECT_EQ(ReadFileBytes(kept), kOldContent);
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"kept.png"});
}

TEST(WriteImageFile, MissingFolderReadOnlyFileAndFolderTargetFailLeavingThemAsTheyWere) {
    ScratchFolder folder;
    const std::string readOnly = folder.Name("locked.bmp");
    WriteFileBytes(readOnly, kOldContent);
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::create_directory(folder.Path() / "sub");
    DibImage image;
    MakeNoise(image, 16, 4, 8, 2);
    for (int32_t format : AllFormats()) {
        SCOPED_TRACE(format);
        EXPECT_EQ(WriteImageFile(folder.Name("missing/picture.out").c_str(), image, format), 0);
        EXPECT_EQ(WriteImageFile(readOnly.c_str(), image, format), 0);
        EXPECT_EQ(WriteImageFile(folder.Name("sub").c_str(), image, format), 0);
    }
    EXPECT_EQ(ReadFileBytes(readOnly), kOldContent);
    EXPECT_EQ(fs::status(readOnly).permissions() & fs::perms::owner_write, fs::perms::none) << "still read-only";
    EXPECT_TRUE(fs::is_directory(folder.Path() / "sub"));
    EXPECT_TRUE(fs::is_empty(folder.Path() / "sub"));
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"locked.bmp", "sub"})) << "no temporary file left behind";
}

TEST(WriteImageFile, ACompleteFileReplacesTheOldOneAndNothingElseRemains) {
    ScratchFolder folder;
    const std::string name = folder.Name("frame.tif");
    DibImage image;
    MakeNoise(image, 10, 10, 24, 3);
    for (int32_t format : AllFormats()) {
        SCOPED_TRACE(format);
        WriteFileBytes(name, std::vector<uint8_t>(100000, 0x5A));  // longer than any of the files
        ASSERT_EQ(WriteImageFile(name.c_str(), image, format), 1);
        MemorySink expected;
        ASSERT_TRUE(WriterForFormat(format)->Write(image, expected));
        EXPECT_EQ(ReadFileBytes(name), expected.Bytes()) << "exactly the writer's bytes, no old tail";
        EXPECT_EQ(folder.Entries(), std::vector<std::string>{"frame.tif"});
    }
#ifndef _WIN32
    fs::permissions(name, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_EQ(WriteImageFile(name.c_str(), image, kFileFormatPng), 1);
    EXPECT_EQ(fs::status(name).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read)
        << "the replaced file keeps its permissions";
#endif
}

TEST(WriteImageFile, TheFormatNumberNotTheExtensionChoosesTheType) {
    ScratchFolder folder;
    DibImage image;
    MakeNoise(image, 4, 4, 24, 4);
    const std::string pngAsJpg = folder.Name("picture.jpg");
    const std::string tiffAsBmp = folder.Name("picture.bmp");
    ASSERT_EQ(WriteImageFile(pngAsJpg.c_str(), image, kFileFormatPng), 1);
    ASSERT_EQ(WriteImageFile(tiffAsBmp.c_str(), image, kFileFormatTiff), 1);
    const std::vector<uint8_t> png = ReadFileBytes(pngAsJpg);
    const std::vector<uint8_t> tiff = ReadFileBytes(tiffAsBmp);
    ASSERT_GE(png.size(), 8u);
    ASSERT_GE(tiff.size(), 4u);
    EXPECT_EQ(std::vector<uint8_t>(png.begin(), png.begin() + 8),
              (std::vector<uint8_t>{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
    EXPECT_EQ(std::vector<uint8_t>(tiff.begin(), tiff.begin() + 4), (std::vector<uint8_t>{'I', 'I', 42, 0}));
}

TEST(ImageWriters, AWriteFailingAnywhereFailsTheWholeFile) {
    for (uint16_t depth : {uint16_t{8}, uint16_t{48}}) {
        DibImage image;
        MakeNoise(image, 40, 30, depth, depth);
        for (int32_t format : AllFormats()) {
            SCOPED_TRACE(testing::Message() << "format " << format << ", " << depth << " bits");
            const CImageWriter* writer = WriterForFormat(format);
            MemorySink complete;
            ASSERT_TRUE(writer->Write(image, complete));
            const uint64_t size = complete.Bytes().size();
            ASSERT_GT(size, 0u);
            for (uint64_t failAt : {uint64_t{0}, uint64_t{1}, size / 2, size - 1}) {
                MemorySink full(failAt);
                testing::internal::CaptureStderr();  // the libraries' own reports of the failure
                EXPECT_FALSE(writer->Write(image, full)) << "disk full at byte " << failAt << " of " << size;
                testing::internal::GetCapturedStderr();
            }
        }
    }
}

TEST(OutputFile, AnUncommittedOrFailedFileLeavesTheTargetAsItWas) {
    ScratchFolder folder;
    const std::string name = folder.Name("target.raw");
    WriteFileBytes(name, kOldContent);
    {
        COutputFile file;
        ASSERT_TRUE(file.Open(name.c_str()));
        ASSERT_TRUE(file.Write("new", 3));
        EXPECT_EQ(folder.Entries().size(), 2u) << "the new file is written beside the target";
    }
    EXPECT_EQ(ReadFileBytes(name), kOldContent);
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"target.raw"});

    COutputFile file;
    ASSERT_TRUE(file.Open(name.c_str()));
    EXPECT_FALSE(file.Write(nullptr, 5));
    EXPECT_FALSE(file.Write("late", 4)) << "a failed file stays failed";
    EXPECT_FALSE(file.Commit());
    EXPECT_EQ(ReadFileBytes(name), kOldContent);
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"target.raw"});
}

TEST(WriteImageFile, AJapaneseFileNameInTheAnsiCodePage) {
    ovilux::test::UseJapaneseCapableCodePage();
    ScratchFolder folder;
    const std::u16string leaf = u"カメラ画像_保存.png";
    const std::u16string wideName = folder.Path().u16string() + u"/" + leaf;
    char ansiName[1024];
    ASSERT_GT(ovilux::platform::WideToAnsi(wideName.c_str(), ansiName, sizeof(ansiName)), 0);
    DibImage image;
    MakeNoise(image, 6, 6, 32, 6);
    ASSERT_EQ(WriteImageFile(ansiName, image, kFileFormatPng), 1);
    const fs::path saved = folder.Path() / fs::path(leaf);
    ASSERT_TRUE(fs::is_regular_file(saved)) << "the file carries the Japanese name";
    const std::string plain = folder.Name("plain.png");
    ASSERT_EQ(WriteImageFile(plain.c_str(), image, kFileFormatPng), 1);
    EXPECT_EQ(ReadFileBytes(saved), ReadFileBytes(plain));
}

#ifndef _WIN32
TEST(WriteImageFile, SavingThroughASymbolicLinkReplacesTheFileItPointsTo) {
    ScratchFolder folder;
    fs::create_directory(folder.Path() / "real");
    const fs::path real = folder.Path() / "real" / "picture.bmp";
    WriteFileBytes(real, kOldContent);
    const fs::path link = folder.Path() / "link.bmp";
    fs::create_symlink(real, link);
    DibImage image;
    MakeNoise(image, 3, 3, 8, 7);
    ASSERT_EQ(WriteImageFile(link.string().c_str(), image, kFileFormatBmp), 1);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFileBytes(real).size(), 1078u + 3 * 4);
}
#endif
