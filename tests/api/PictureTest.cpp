// Pictures through the C API, checked pixel by pixel against what the simulated camera was
// shown: the first snapshot after each window change, long exposures, live view at a long
// exposure and frames whose payload does not fit the window, all at the sensor's real timing;
// and the files of the 16-bit modes against those of the 8-bit ones.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>

#include "api/SimulatedCameras.h"
#include "image_files/FileReaders.h"
#include "support/PictureCheck.h"

namespace ovilux::test {
namespace {

int32_t Stride(int32_t width, int32_t bits) { return (width * bits / 8 + 3) & ~3; }

constexpr int32_t kBlock = 96;

// Whether picture position (x, y) lies at least margin pixels inside its block.
bool InsideBlock(int32_t x, int32_t y, int32_t margin) {
    const auto inside = [margin](int32_t v) { return v % kBlock >= margin && v % kBlock < kBlock - margin; };
    return inside(x) && inside(y);
}

struct Window {
    const char* name;
    int32_t x, y, width, height, subSample;
};

class Picture : public SessionTest {
protected:
    void Open(bool realTiming, uint32_t options = OVILUX_SIM_STILL | OVILUX_SIM_NO_DEFECTS | OVILUX_SIM_FIXED_LEVELS,
              bool dark = false) {
        OpenSession(1);
        ASSERT_EQ(OviluxSim_SetSpeed(realTiming ? OVILUX_SIM_SPEED_REALTIME : OVILUX_SIM_SPEED_FAST), 1);
        // Blocks wide enough that a quarter-size frame keeps pixels clear of every edge's reach.
        picture_ = MakeBlockPicture(kActiveWidth, kActiveHeight, kBlock, dark);
        ASSERT_EQ(OviluxSim_ShowPicture(0, picture_.pixels.data(), picture_.width, picture_.height, picture_.width * 3, 24), 1);
        ASSERT_EQ(OviluxSim_SetSceneOptions(0, options), 1);
        PopAll(handle_);
    }

    void SetWindow(const Window& w) {
        ASSERT_EQ(Ovilux_SetCaptureWindowEx(handle_, kActiveWidth, w.x, w.width, kActiveHeight, w.y, w.height), 1);
        ASSERT_EQ(Ovilux_SetSubSample(handle_, w.subSample), 1);
        window_ = w;
    }

    // A snapshot in stored (top row first) order, or an empty image when it failed.
    std::vector<uint8_t> Snap(int32_t bits) {
        EXPECT_EQ(Ovilux_SetColorMode(handle_, bits), 1);
        const int32_t width = window_.width >> window_.subSample;
        const int32_t height = window_.height >> window_.subSample;
        std::vector<uint8_t> image(static_cast<size_t>(Stride(width, bits)) * height);
        if (Ovilux_SnapShot(handle_, image.data(), static_cast<int32_t>(image.size()), 1) != 1) {
            ADD_FAILURE() << "snapshot failed with code " << Ovilux_GetLastError(handle_);
            image.clear();
        }
        return image;
    }

    void ExpectScene(const std::vector<uint8_t>& image, int32_t bits) {
        const int32_t width = window_.width >> window_.subSample;
        const int32_t height = window_.height >> window_.subSample;
        ASSERT_FALSE(image.empty());
        const PictureMatch match = ComparePicture({image.data(), width, height, Stride(width, bits), bits}, picture_,
                                                  {window_.x, window_.y, 1 << window_.subSample});
        EXPECT_GT(match.compared, int64_t{width} * height / 6) << "too few pixels lie inside blocks";
        EXPECT_EQ(match.mismatched, 0) << match.firstMismatch;
    }

    BlockPicture picture_;
    Window window_{"default", 0, 0, 2560, 1920, 0};
};

TEST_F(Picture, AtRealTimingTheFirstSnapshotAfterEachWindowChangeShowsTheScene) {
    Open(true);
    const Window windows[] = {{"the default", 0, 0, 2560, 1920, 0},  {"the full sensor", 0, 0, 2592, 1944, 0},
                              {"1280 x 960", 640, 480, 1280, 960, 0}, {"half", 0, 0, 2560, 1920, 1},
                              {"quarter", 32, 24, 2560, 1920, 2},    {"the default again", 0, 0, 2560, 1920, 0}};
    for (const Window& w : windows) {
        SCOPED_TRACE(w.name);
        SetWindow(w);
        ExpectScene(Snap(24), 24);
    }
    // The sample width changes the frame size as much as the window does.
    SetWindow(windows[2]);
    for (int32_t bits : {16, 48, 8}) {
        SCOPED_TRACE(bits);
        ExpectScene(Snap(bits), bits);
    }
}

TEST_F(Picture, AtRealTimingLongExposuresGiveFramesThatBrightenWithExposure) {
    Open(true, OVILUX_SIM_STILL | OVILUX_SIM_NO_DEFECTS, true);
    double previous = 0;
    // Up to 1.2 s, about the longest a 2560-wide window takes (32767 rows of its shutter).
    for (int32_t microseconds : {100000, 500000, 1000000, 1200000}) {
        SCOPED_TRACE(microseconds);
        ASSERT_EQ(Ovilux_SetRealExposureTime(handle_, microseconds), 1);
        const auto start = std::chrono::steady_clock::now();
        const std::vector<uint8_t> image = Snap(8);
        ASSERT_FALSE(image.empty());
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double exposed = Ovilux_GetRealExposureTime(handle_, nullptr) / 1e6;
        EXPECT_GT(exposed, 0.5 * microseconds / 1e6);
        EXPECT_GE(seconds, 0.8 * exposed) << "a frame exposed for its whole time";
        double sum = 0;
        for (uint8_t sample : image) {
            sum += sample;
        }
        const double mean = sum / static_cast<double>(image.size());
        EXPECT_GT(mean, previous * 1.1);
        previous = mean;
    }
}

TEST_F(Picture, AtRealTimingLiveViewAtThreeHundredMillisecondsDeliversAboutThreeFramesASecond) {
    Open(true);
    ASSERT_EQ(Ovilux_SetRealExposureTime(handle_, 300000), 1);
    ASSERT_EQ(Ovilux_SetColorMode(handle_, 24), 1);
    SetWindow({"quarter", 0, 0, 2560, 1920, 2});
    OVILUX_HWND frames = OviluxWnd_CreateMessageWindow();
    ASSERT_NE(frames, nullptr);
    std::vector<uint8_t> image(static_cast<size_t>(Stride(640, 24)) * 480);
    ASSERT_EQ(Ovilux_CallBackPreview(handle_, frames, image.data(), static_cast<int32_t>(image.size()), 1), 1);
    int delivered = 0;
    auto first = std::chrono::steady_clock::time_point{};
    auto last = first;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(3500);
    PostedMessage m{};
    while (std::chrono::steady_clock::now() < deadline) {
        if (OviluxWnd_GetMessage(frames, 100, &m.message, &m.wParam, &m.lParam) == 1 && m.message == OVILUX_WM_FRAME) {
            ASSERT_EQ(m.lParam, 0) << "a failure instead of a frame";
            last = std::chrono::steady_clock::now();
            if (delivered++ == 0) {
                first = last;
            }
        }
    }
    ASSERT_EQ(Ovilux_StopPreview(handle_), 1);
    OviluxWnd_DestroyWindow(frames);
    ASSERT_GE(delivered, 5);
    const double rate = (delivered - 1) / std::chrono::duration<double>(last - first).count();
    EXPECT_NEAR(rate, 3.2, 0.6);
    ExpectScene(image, 24);
}

TEST_F(Picture, AtRealTimingFramesAnnouncingAnotherSizeAreNeverDelivered) {
    Open(true);
    SetWindow({"1280 x 960", 0, 0, 1280, 960, 0});
    for (int32_t delta : {-1280, 2560}) {
        SCOPED_TRACE(delta);
        ASSERT_EQ(OviluxSim_MisreportPayload(0, delta, 2), 1);
        ExpectScene(Snap(24), 24);
    }
}

// A saved file decoded as an image of the library's layout: 8-bit values, or the 12 bits of
// 16-bit samples, in blue, green, red order.
std::vector<uint8_t> AsDelivered(const image::test::Decoded& file, bool wide, int32_t& stride) {
    const int channels = file.channels;
    const int sampleBytes = wide ? 2 : 1;
    stride = Stride(file.width, channels * sampleBytes * 8);
    std::vector<uint8_t> image(static_cast<size_t>(stride) * file.height);
    for (int32_t y = 0; y < file.height; ++y) {
        for (int32_t x = 0; x < file.width; ++x) {
            for (int c = 0; c < channels; ++c) {
                const uint32_t value = file.At(x, y, c < 3 ? (channels == 1 ? 0 : 2 - c) : c);
                uint8_t* p = &image[static_cast<size_t>(y) * stride + (x * channels + c) * sampleBytes];
                const uint32_t sample = wide ? value >> 4 : value;  // viewable files stretch 12 bits
                p[0] = static_cast<uint8_t>(sample);
                if (wide) {
                    p[1] = static_cast<uint8_t>(sample >> 8);
                }
            }
        }
    }
    return image;
}

TEST_F(Picture, FilesOfTheSixteenBitModesShowWhatTheEightBitModesShow) {
    Open(false);
    SetWindow({"640 x 480", 96, 48, 640, 480, 0});
    const std::string base = testing::TempDir() + "ovilux-picture-" + std::to_string(handle_);
    std::map<int32_t, std::vector<uint32_t>> jpegOf;  // decoded JPEG samples of the 8 and 24-bit modes
    for (int32_t bits : {8, 16, 24, 48, 64}) {
        SCOPED_TRACE(bits);
        ASSERT_FALSE(Snap(bits).empty());
        const bool wide = bits == 16 || bits >= 48;
        struct Saved {
            const char* extension;
            int32_t format;
            int32_t tolerance;
        };
        for (const Saved& saved : {Saved{".png", 5, 0}, Saved{".tif", 6, 0}, Saved{".jpg", 2, 12}}) {
            SCOPED_TRACE(saved.extension);
            const std::string name = base + "-" + std::to_string(bits) + saved.extension;
            ASSERT_EQ(Ovilux_SaveImage(handle_, name.c_str(), saved.format), 1);
            image::test::Decoded file;
            std::string error;
            bool read = false;
            if (saved.format == 5) {
                image::test::PngInfo info;
                read = image::test::ReadPng(name, file, info, error);
                EXPECT_EQ(info.significantBits, wide ? 12 : 0);
            } else if (saved.format == 6) {
                image::test::TiffInfo info;
                read = image::test::ReadTiff(name, file, info, error);
            } else {
                image::test::JpegInfo info;
                read = image::test::ReadJpeg(name, file, info, error);
            }
            std::remove(name.c_str());
            ASSERT_TRUE(read) << error;
            const bool fileWide = file.bitsPerSample == 16;
            EXPECT_EQ(fileWide, wide && saved.format != 2) << "JPEG holds 8 bits, PNG and TIFF all 12";
            int32_t stride = 0;
            const std::vector<uint8_t> image = AsDelivered(file, fileWide, stride);
            const int32_t fileBits = file.channels * (fileWide ? 16 : 8);
            if (saved.tolerance == 0) {
                const PictureMatch match =
                    ComparePicture({image.data(), file.width, file.height, stride, fileBits}, picture_, {96, 48, 1});
                EXPECT_GT(match.compared, 640 * 480 / 4);
                EXPECT_EQ(match.mismatched, 0) << match.firstMismatch;
                continue;
            }
            // JPEG: the 16-bit modes' files show what the 8-bit modes' files show (bits 11 to 4
            // of the same samples), whatever compression does to either.
            std::vector<uint32_t>& eightBit = jpegOf[wide ? (bits == 16 ? 8 : 24) : bits];
            if (!wide) {
                eightBit = file.samples;
            } else {
                ASSERT_EQ(file.samples.size(), eightBit.size());
                // Near block edges the isolated-dot suppression replaces samples by each
                // depth's own rule; with JPEG's 16-pixel colour blocks that reaches 24 pixels.
                const size_t channels = static_cast<size_t>(file.channels);
                uint32_t worst = 0;
                for (size_t i = 0; i < eightBit.size(); ++i) {
                    const auto pixel = static_cast<int32_t>(i / channels);
                    if (!InsideBlock(96 + pixel % file.width, 48 + pixel / file.width, 24)) {
                        continue;
                    }
                    worst = std::max<uint32_t>(worst, file.samples[i] > eightBit[i] ? file.samples[i] - eightBit[i]
                                                                                  : eightBit[i] - file.samples[i]);
                }
                EXPECT_LE(worst, bits == 16 ? 0u : 6u);
            }
            // Against the scene, compression moves values a little inside the blocks, never a
            // picture upside down or dark. Monochrome modes save the Bayer mosaic, which JPEG
            // cannot keep close.
            if (file.channels == 1) {
                continue;
            }
            const PictureMatch match = ComparePicture({image.data(), file.width, file.height, stride, fileBits},
                                                      picture_, {96, 48, 1}, {uint32_t(saved.tolerance), 16});
            EXPECT_GT(match.compared, 640 * 480 / 20);
            EXPECT_EQ(match.mismatched, 0) << match.firstMismatch;
        }
    }
}

}  // namespace
}  // namespace ovilux::test
