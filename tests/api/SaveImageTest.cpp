// Saving the current image through the C API: what is refused and with which code, what a
// failed save leaves behind, the file a save writes, and wide Japanese file names.
#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "api/SimulatedCameras.h"
#include "support/JapaneseCodePage.h"


namespace fs = std::filesystem;
using ovilux::test::PopAll;
using ovilux::test::SessionTest;

namespace {

constexpr int32_t kBmp = 0;
constexpr int32_t kPng = 5;

std::vector<uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

class SaveImage : public SessionTest {
protected:
    void SetUp() override {
        OpenSession(1);
        folder_ = fs::temp_directory_path() / ("ovilux-save-" + std::to_string(handle_));
        fs::create_directories(folder_);
    }

    void TearDown() override {
        std::error_code ignored;
        fs::permissions(folder_ / "kept.bmp", fs::perms::owner_all, ignored);
        fs::remove_all(folder_, ignored);
        SessionTest::TearDown();
        OviluxSim_Detach(0);
    }

    // A quarter-size 24-bit snapshot, so that saving has an image.
    void TakePicture() {
        ASSERT_EQ(Ovilux_SetColorMode(handle_, 24), 1);
        ASSERT_EQ(Ovilux_SetSubSample(handle_, 2), 1);
        ASSERT_EQ(Ovilux_SnapShot(handle_, nullptr, 0, 1), 1);
        PopAll(handle_);
    }

    fs::path folder_;
};

}  // namespace

TEST_F(SaveImage, NeedsAPictureFirst) {
    const std::string file = (folder_ / "early.bmp").string();
    EXPECT_EQ(Ovilux_SaveImage(handle_, file.c_str(), kBmp), 0);
    EXPECT_EQ(PopAll(handle_), std::vector<int32_t>{1});
    EXPECT_FALSE(fs::exists(folder_ / "early.bmp"));
}

TEST_F(SaveImage, WritesTheCurrentImage) {
    TakePicture();
    const fs::path file = folder_ / "picture.bmp";
    ASSERT_EQ(Ovilux_SaveImage(handle_, file.string().c_str(), kBmp), 1);
    const std::vector<uint8_t> bmp = ReadBytes(file);
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(bmp[10], 54) << "no colour table for 24 bits";
    EXPECT_EQ(bmp[18] | bmp[19] << 8, 640);
    EXPECT_EQ(bmp[22] | bmp[23] << 8, 480);
    EXPECT_EQ(bmp.size(), 54u + 640u * 3u * 480u);
    EXPECT_TRUE(PopAll(handle_).empty());
}

TEST_F(SaveImage, UnknownFormatsAndBadNamesAreRefused) {
    TakePicture();
    const std::string file = (folder_ / "x.img").string();
    EXPECT_EQ(Ovilux_SaveImage(handle_, file.c_str(), 7), 0);
    EXPECT_EQ(Ovilux_SaveImage(handle_, file.c_str(), -1), 0);
    EXPECT_TRUE(PopAll(handle_).empty()) << "a format the writers do not know records nothing";
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(Ovilux_SaveImage(handle_, nullptr, kBmp), 0);
    EXPECT_EQ(Ovilux_SaveImageW(handle_, nullptr, kBmp), 0);
    EXPECT_EQ(PopAll(handle_), (std::vector<int32_t>{12, 9}));
}

TEST_F(SaveImage, FailedSavesRecordNothingAndKeepTheOldFile) {
    TakePicture();
    const std::string missing = (folder_ / "no-such-folder" / "x.png").string();
    EXPECT_EQ(Ovilux_SaveImage(handle_, missing.c_str(), kPng), 0);
    EXPECT_TRUE(PopAll(handle_).empty());

    const fs::path kept = folder_ / "kept.bmp";
    {
        std::ofstream old(kept, std::ios::binary);
        old << "the user's own file";
    }
    fs::permissions(kept, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(Ovilux_SaveImage(handle_, kept.string().c_str(), kBmp), 0);
    EXPECT_TRUE(PopAll(handle_).empty());
    const std::vector<uint8_t> after = ReadBytes(kept);
    EXPECT_EQ(std::string(after.begin(), after.end()), "the user's own file");
}

TEST_F(SaveImage, WideNamesInJapanese) {
    ovilux::test::UseJapaneseCapableCodePage();
    TakePicture();
    const std::u16string name = u"カメラ画像.png";
    const std::u16string full = (folder_ / name).u16string();
    std::vector<OVILUX_WCHAR> wide(full.begin(), full.end());
    wide.push_back(0);
    ASSERT_EQ(Ovilux_SaveImageW(handle_, wide.data(), kPng), 1) << PopAll(handle_).size();
    const std::vector<uint8_t> png = ReadBytes(folder_ / name);
    ASSERT_GE(png.size(), 8u);
    EXPECT_EQ(png[1], 'P');
#ifndef _WIN32
    std::setlocale(LC_ALL, "C");
#endif
}
