// DefectMaskSession.h - what the defect-mask tests share: a session on a simulated camera
// looking at a gray picture through the full sensor window in 8-bit mode, snapshots, and a
// scratch folder for mask files.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "api/SimulatedCameras.h"
#include "support/PictureCheck.h"

namespace ovilux::test {

namespace fs = std::filesystem;

constexpr int32_t kEdge = 4;  // samples this close to the frame's edge are never corrected

inline std::vector<uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) {
        return {};
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(file.tellg()));
    file.seekg(0);
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

class DefectMask : public SessionTest {
protected:
    void SetUp() override {
        OpenSession(1);
        ASSERT_EQ(OviluxSim_SetSceneOptions(0, OVILUX_SIM_STILL | OVILUX_SIM_FIXED_LEVELS), 1);
        ASSERT_EQ(Ovilux_SetColorMode(handle_, 8), 1);
        SetWindow(kActiveWidth, kActiveHeight);
        folder_ = fs::temp_directory_path() / ("ovilux-mask-" + std::to_string(std::random_device{}()));
        fs::create_directories(folder_);
    }

    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
        SessionTest::TearDown();
    }

    void SetWindow(int32_t width, int32_t height) {
        ASSERT_EQ(Ovilux_SetCaptureWindowEx(handle_, kActiveWidth, (kActiveWidth - width) / 2, width, kActiveHeight,
                                            (kActiveHeight - height) / 2, height),
                  1);
        width_ = width;
        height_ = height;
    }

    void ShowGray(uint8_t level) {
        const std::vector<uint8_t> picture(size_t{kActiveWidth} * kActiveHeight, level);
        ASSERT_EQ(OviluxSim_ShowPicture(0, picture.data(), kActiveWidth, kActiveHeight, kActiveWidth, 8), 1);
    }

    // An 8-bit snapshot of the picture, rows in stored order (the window's width is a multiple of 4).
    std::vector<uint8_t> Snap() {
        std::vector<uint8_t> image(static_cast<size_t>(width_) * height_);
        EXPECT_EQ(Ovilux_SnapShot(handle_, image.data(), static_cast<int32_t>(image.size()), 1), 1)
            << "code " << Ovilux_GetLastError(handle_);
        return image;
    }

    // Samples away from the frame's edge that differ from level.
    int32_t Deviating(const std::vector<uint8_t>& image, uint8_t level) const {
        int32_t count = 0;
        for (int32_t y = kEdge; y < height_ - kEdge; ++y) {
            for (int32_t x = kEdge; x < width_ - kEdge; ++x) {
                count += image[static_cast<size_t>(y) * width_ + x] != level;
            }
        }
        return count;
    }

    void RecordReference(uint8_t level, int32_t selector) {
        ShowGray(level);
        Snap();
        ASSERT_EQ(Ovilux_UpdateMaskData(handle_, selector), 1) << "code " << Ovilux_GetLastError(handle_);
    }

    std::string File(const char* leaf) const { return (folder_ / leaf).string(); }

    fs::path folder_;
    int32_t width_ = 0;
    int32_t height_ = 0;
};

}  // namespace ovilux::test
