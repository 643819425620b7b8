// Saves from several threads at once, PNG ones serialised by the writer's process-wide lock:
// every file must come out whole and hold its own thread's picture.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "FileReaders.h"
#include "TestImages.h"
#include "image/files/ImageFileFormat.h"
#include "image/files/WriteImageFile.h"

using namespace ovilux::image;
using namespace ovilux::image::test;

TEST(ConcurrentSaves, EveryThreadsFilesHoldItsOwnPicture) {
    constexpr int kThreads = 4;
    constexpr int kRounds = 3;
    ScratchFolder folder;
    std::vector<DibImage> images(kThreads);
    for (int i = 0; i < kThreads; ++i) {
        MakeNoise(images[i], 48 + i, 40, 64, 100 + i);
    }
    std::vector<int> failures(kThreads, 0);
    std::atomic<int> sharedSaves{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            for (int round = 0; round < kRounds; ++round) {
                failures[i] += WriteImageFile(folder.Name("own" + std::to_string(i) + ".png").c_str(), images[i],
                                              kFileFormatPng) == 1
                                   ? 0
                                   : 1;
                // All threads also save into one name. Windows may refuse a save whose rename meets
                // another's at that instant; either way the file there must be one whole picture.
                sharedSaves += WriteImageFile(folder.Name("shared.png").c_str(), images[i], kFileFormatPng);
                failures[i] += WriteImageFile(folder.Name("own" + std::to_string(i) + ".tif").c_str(), images[i],
                                              kFileFormatTiff) == 1
                                   ? 0
                                   : 1;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (int i = 0; i < kThreads; ++i) {
        EXPECT_EQ(failures[i], 0) << "thread " << i;
        Decoded png;
        PngInfo pngInfo;
        std::string error;
        ASSERT_TRUE(ReadPng(folder.Name("own" + std::to_string(i) + ".png"), png, pngInfo, error)) << error;
        Decoded tiff;
        TiffInfo tiffInfo;
        ASSERT_TRUE(ReadTiff(folder.Name("own" + std::to_string(i) + ".tif"), tiff, tiffInfo, error)) << error;
        ASSERT_EQ(png.width, images[i].Width());
        ASSERT_EQ(tiff.width, images[i].Width());
        for (int32_t y = 0; y < png.height; ++y) {
            for (int32_t x = 0; x < png.width; ++x) {
                // Viewable files hold the 12-bit samples stretched: the top 12 bits are the sample.
                ASSERT_EQ(png.At(x, y, 0) >> 4, StoredSample(images[i], x, y, 2)) << "thread " << i;
                ASSERT_EQ(tiff.At(x, y, 2) >> 4, StoredSample(images[i], x, y, 0)) << "thread " << i;
            }
        }
    }
    Decoded shared;
    PngInfo sharedInfo;
    std::string error;
    ASSERT_TRUE(ReadPng(folder.Name("shared.png"), shared, sharedInfo, error)) << error;
    EXPECT_GT(sharedSaves.load(), 0);
    ASSERT_GE(shared.width, 48);
    ASSERT_LT(shared.width, 48 + kThreads);
    const DibImage& last = images[shared.width - 48];
    for (int32_t y = 0; y < shared.height; ++y) {
        for (int32_t x = 0; x < shared.width; ++x) {
            ASSERT_EQ(shared.At(x, y, 1) >> 4, StoredSample(last, x, y, 1)) << "a picture mixed from two saves";
        }
    }
    // Only the final files remain: every temporary file was renamed or removed.
    EXPECT_EQ(folder.Entries().size(), 2u * kThreads + 1);
}
