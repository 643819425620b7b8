// The per-frame chain through the C API on the simulated camera: adjustments equal to the
// plain forms applied to the neutral snapshot, white balance measured from the scene, auto
// iris steering the camera, and settings changed from another thread during live view, each
// frame converted with one set of them.
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "api/SimulatedCameras.h"
#include "image/DibImage.h"
#include "image/filters/Sharpen.h"
#include "image/filters/ToneCurves.h"
#include "support/Patience.h"
#include "support/PictureCheck.h"

namespace ovilux::test {
namespace {

constexpr int32_t kWidth = 1280;
constexpr int32_t kHeight = 960;

int32_t Stride(int32_t width, int32_t bits) { return (width * bits / 8 + 3) & ~3; }

class FilterChain : public SessionTest {
protected:
    // A camera looking at a still picture of one colour (blue, green, red), 1280 x 960 window.
    void Open(uint8_t blue, uint8_t green, uint8_t red, uint32_t options, int32_t speed = OVILUX_SIM_SPEED_FAST) {
        OpenSession(1);
        ASSERT_EQ(OviluxSim_SetSpeed(speed), 1);
        ShowColour(blue, green, red);
        ASSERT_EQ(OviluxSim_SetSceneOptions(0, options), 1);
        ASSERT_EQ(Ovilux_SetCaptureWindowEx(handle_, kActiveWidth, 640, kWidth, kActiveHeight, 480, kHeight), 1);
        PopAll(handle_);
    }

    void ShowColour(uint8_t blue, uint8_t green, uint8_t red) {
        std::vector<uint8_t> picture(size_t{kActiveWidth} * kActiveHeight * 3);
        for (size_t i = 0; i < picture.size(); i += 3) {
            picture[i] = blue;
            picture[i + 1] = green;
            picture[i + 2] = red;
        }
        ASSERT_EQ(OviluxSim_ShowPicture(0, picture.data(), kActiveWidth, kActiveHeight, kActiveWidth * 3, 24), 1);
    }

    // A snapshot in stored order, as an image of the library's own kind.
    void Snap(int32_t bits, image::DibImage& into) {
        ASSERT_EQ(Ovilux_SetColorMode(handle_, bits), 1);
        ASSERT_EQ(into.Create(kWidth, kHeight, static_cast<uint16_t>(bits)), 1);
        ASSERT_EQ(Ovilux_SnapShot(handle_, into.Bits(), static_cast<int32_t>(into.ImageBytes()), 1), 1)
            << "code " << Ovilux_GetLastError(handle_);
    }

    // Frame messages of live view until wanted have come, or the limit (scaled with the
    // machine's pace) has passed; the number that came.
    int CountFrames(int wanted, uint32_t limitMs) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(PatienceMs(limitMs));
        int frames = 0;
        while (frames < wanted && std::chrono::steady_clock::now() < deadline) {
            for (const PostedMessage& m : Drain(notify_, 100)) {
                frames += m.message == OVILUX_WM_FRAME && m.wParam != 0 ? 1 : 0;
            }
        }
        return frames;
    }

    int32_t Value(int32_t (*get)(uint32_t, int32_t*)) {
        int32_t ok = 0;
        const int32_t value = get(handle_, &ok);
        EXPECT_EQ(ok, 1);
        return value;
    }
};

bool SameBytes(const image::DibImage& a, const image::DibImage& b) {
    return a.ImageBytes() == b.ImageBytes() && std::memcmp(a.Bits(), b.Bits(), static_cast<size_t>(a.ImageBytes())) == 0;
}

// At the real timing, on the chart with no noise, motion or defects: each depth's adjusted
// snapshot is the neutral one put through the plain forms in the chain's order.
TEST_F(FilterChain, AdjustedSnapshotEqualsThePlainFormsAppliedToTheNeutralOne) {
    OpenSession(1);
    ASSERT_EQ(OviluxSim_SetSpeed(OVILUX_SIM_SPEED_REALTIME), 1);
    ASSERT_EQ(OviluxSim_SetSceneOptions(0, OVILUX_SIM_STILL | OVILUX_SIM_NO_DEFECTS), 1);
    ASSERT_EQ(Ovilux_SetCaptureWindowEx(handle_, kActiveWidth, 640, kWidth, kActiveHeight, 480, kHeight), 1);
    for (const int32_t bits : {8, 24, 48}) {
        SCOPED_TRACE(bits);
        ASSERT_EQ(Ovilux_SetGamma(handle_, 100), 1);
        ASSERT_EQ(Ovilux_SetContrast(handle_, 0), 1);
        ASSERT_EQ(Ovilux_SetSharpness(handle_, 0), 1);
        ASSERT_EQ(Ovilux_SetBrightness(handle_, 0), 1);
        image::DibImage expected;
        Snap(bits, expected);
        ASSERT_EQ(Ovilux_SetGamma(handle_, 50), 1);
        ASSERT_EQ(Ovilux_SetContrast(handle_, 40), 1);
        ASSERT_EQ(Ovilux_SetSharpness(handle_, 10), 1);
        ASSERT_EQ(Ovilux_SetBrightness(handle_, -30), 1);
        image::DibImage adjusted;
        Snap(bits, adjusted);
        ASSERT_TRUE(image::filters::ApplyTonesReference(expected, 50, 40, 0));
        ASSERT_TRUE(image::filters::SharpenReference(expected, 10));
        ASSERT_TRUE(image::filters::ApplyTonesReference(expected, 100, 0, -30));
        EXPECT_TRUE(SameBytes(adjusted, expected));
    }
}

TEST_F(FilterChain, WhiteBalanceMeasuresTheSceneAndKeepsItsGainsOnABlackFrame) {
    // Red at a quarter of green: the red gain reaches its limit of 400; blue equals green.
    Open(160, 160, 40, OVILUX_SIM_STILL | OVILUX_SIM_NO_DEFECTS | OVILUX_SIM_FIXED_LEVELS);
    ASSERT_EQ(Ovilux_SetBayerGainAuto(handle_, 1), 1);
    image::DibImage frame;
    Snap(24, frame);
    EXPECT_EQ(Value(Ovilux_GetBayerGainRed), 400);
    EXPECT_EQ(Value(Ovilux_GetBayerGainGreen), 100);
    EXPECT_EQ(Value(Ovilux_GetBayerGainBlue), 100);
    EXPECT_EQ(Value(Ovilux_GetBayerGainAuto), 1) << "the automatic balance goes on measuring";

    ASSERT_EQ(Ovilux_SetBayerGainRed(handle_, 150), 1);
    ASSERT_EQ(Ovilux_SetBayerGainBlue(handle_, 90), 1);
    ShowColour(0, 0, 0);
    Snap(24, frame);
    EXPECT_EQ(Value(Ovilux_GetBayerGainRed), 150) << "a black frame has no colour to balance";
    EXPECT_EQ(Value(Ovilux_GetBayerGainBlue), 90);
}

// Gray mode 2 reads the colours where the camera's mirrors put them: a uniform colour gives the
// same luminance, (30 x 20 + 59 x 50 + 11 x 200) / 100 = 57, however the camera mirrors.
TEST_F(FilterChain, GrayscaleLuminanceIsTheSameUnderEveryMirror) {
    Open(200, 50, 20, OVILUX_SIM_STILL | OVILUX_SIM_NO_DEFECTS | OVILUX_SIM_FIXED_LEVELS);
    ASSERT_EQ(Ovilux_SetGrayMode(handle_, 2), 1);
    for (const int32_t mirrors : {0, 1, 2, 3}) {
        SCOPED_TRACE(mirrors);
        ASSERT_EQ(Ovilux_SetMirrorH(handle_, mirrors & 1), 1);
        ASSERT_EQ(Ovilux_SetMirrorV(handle_, mirrors >> 1), 1);
        image::DibImage frame;
        Snap(8, frame);
        const auto* row = static_cast<const uint8_t*>(frame.Bits()) + static_cast<size_t>(frame.Stride()) * (kHeight / 2);
        int32_t off = 0;
        for (int32_t x = 2; x < kWidth - 2; ++x) {
            off += row[x] != 57 ? 1 : 0;
        }
        EXPECT_EQ(off, 0) << "first middle-row sample " << int{row[2]};
    }
}

// The raw modes' phase as the header tells it: R G / G B unmirrored at any window offset and
// sub-sampling; each mirror exchanges it as the Bayer mode table says.
TEST_F(FilterChain, RawSamplesHaveThePhaseTheHeaderGivesForEveryMirrorAndWindow) {
    Open(200, 50, 20, OVILUX_SIM_STILL | OVILUX_SIM_NO_DEFECTS | OVILUX_SIM_FIXED_LEVELS);
    ASSERT_EQ(Ovilux_SetGrayMode(handle_, 0), 1);
    constexpr uint8_t kR = 20, kG = 50, kB = 200;
    // Top-left 2 x 2 block per mirror combination (bit 0 horizontal, bit 1 vertical).
    const uint8_t expected[4][4] = {{kR, kG, kG, kB}, {kG, kR, kB, kG}, {kG, kB, kR, kG}, {kB, kG, kG, kR}};
    struct Window {
        int32_t x, y, subSample;
    } const windows[] = {{640, 480, 0}, {16, 2, 0}, {0, 0, 1}, {640, 480, 2}};
    for (const Window& w : windows) {
        ASSERT_EQ(Ovilux_SetSubSample(handle_, 0), 1);
        ASSERT_EQ(Ovilux_SetCaptureWindowEx(handle_, kActiveWidth, w.x, kWidth, kActiveHeight, w.y, kHeight), 1);
        ASSERT_EQ(Ovilux_SetSubSample(handle_, w.subSample), 1);
        const int32_t width = kWidth >> w.subSample, height = kHeight >> w.subSample;
        for (int32_t mirrors = 0; mirrors < 4; ++mirrors) {
            SCOPED_TRACE(testing::Message() << "window at " << w.x << ", " << w.y << " sub-sampling " << w.subSample
                                            << " mirrors " << mirrors);
            ASSERT_EQ(Ovilux_SetMirrorH(handle_, mirrors & 1), 1);
            ASSERT_EQ(Ovilux_SetMirrorV(handle_, mirrors >> 1), 1);
            std::vector<uint8_t> frame(static_cast<size_t>(Stride(width, 8)) * height);
            ASSERT_EQ(Ovilux_SetColorMode(handle_, 8), 1);
            ASSERT_EQ(Ovilux_SnapShot(handle_, frame.data(), static_cast<int32_t>(frame.size()), 1), 1);
            const size_t stride = static_cast<size_t>(Stride(width, 8));
            // A block from the middle: the phase repeats every two rows and columns.
            const size_t at = stride * (height / 2) + static_cast<size_t>(width / 2);
            const uint8_t block[4] = {frame[at], frame[at + 1], frame[at + stride], frame[at + stride + 1]};
            EXPECT_EQ(std::vector<uint8_t>(block, block + 4), std::vector<uint8_t>(expected[mirrors], expected[mirrors] + 4));
        }
    }
}

TEST_F(FilterChain, AutoIrisSteersGainAndExposureOutsideTheDeadBandOnly) {
    Open(255, 255, 255, OVILUX_SIM_STILL | OVILUX_SIM_NO_DEFECTS | OVILUX_SIM_FIXED_LEVELS);
    image::DibImage frame;
    ASSERT_EQ(Ovilux_SetGlobalGain(handle_, 40), 1);
    Snap(8, frame);
    EXPECT_EQ(Value(Ovilux_GetGlobalGain), 40) << "auto iris off measures nothing";

    ASSERT_EQ(Ovilux_SetAutoIris(handle_, 2), 1);
    // A quarter each frame; the gain is scaled from at least 4, so it rests at 1.
    const int32_t expected[] = {10, 2, 1, 1};
    for (const int32_t gain : expected) {
        Snap(8, frame);
        EXPECT_EQ(Value(Ovilux_GetGlobalGain), gain);
    }
    // The kept colour gains follow the global gain: the next capture gives them to the camera.
    ASSERT_EQ(Ovilux_SetAutoIris(handle_, 0), 1);
    Snap(8, frame);
    EXPECT_EQ(Value(Ovilux_GetColorGainRed), 1);

    ASSERT_EQ(Ovilux_SetAutoIris(handle_, 1), 1);
    ShowColour(0, 0, 0);
    const int32_t before = Value(Ovilux_GetExposureTime);
    Snap(16, frame);
    EXPECT_NEAR(Value(Ovilux_GetExposureTime), before * 5 / 4, 2) << "a black frame raises the exposure by a quarter";

    ShowColour(130, 130, 130);
    const int32_t settled = Value(Ovilux_GetExposureTime);
    Snap(16, frame);
    Snap(24, frame);
    EXPECT_EQ(Value(Ovilux_GetExposureTime), settled) << "a frame in the dead band leaves the camera alone";
}

// A mid-gray scene four times over-exposed: live view brings the exposure back until the frame
// lies in the dead band (levels 100 to 160), within a few frames.
TEST_F(FilterChain, LiveViewAutoIrisConvergesIntoTheDeadBand) {
    Open(128, 128, 128, OVILUX_SIM_STILL | OVILUX_SIM_NO_DEFECTS);
    ASSERT_EQ(Ovilux_SetExposureTime(handle_, 2664), 1);
    ASSERT_EQ(Ovilux_SetAutoIris(handle_, 1), 1);
    ASSERT_EQ(Ovilux_SetColorMode(handle_, 8), 1);
    std::vector<uint8_t> buffer(size_t{kWidth} * kHeight);
    ASSERT_EQ(Ovilux_CallBackPreview(handle_, notify_, buffer.data(), static_cast<int32_t>(buffer.size()), 1), 1);
    const int frames = CountFrames(12, 20000);
    ASSERT_EQ(Ovilux_StopPreview(handle_), 1);
    ASSERT_GE(frames, 12);
    const int32_t settled = Value(Ovilux_GetExposureTime);
    EXPECT_LT(settled, 2664);
    int64_t sum = 0;
    for (const uint8_t sample : buffer) {
        sum += sample;
    }
    const int64_t level = sum / static_cast<int64_t>(buffer.size());
    EXPECT_GE(level, 100);
    EXPECT_LE(level, 160);
}

// Every step on while another thread keeps changing the settings: frames keep coming, and
// under ThreadSanitizer no access races.
TEST_F(FilterChain, SettingsChangedDuringLiveViewWithEveryStepOn) {
    Open(60, 120, 200, OVILUX_SIM_STILL);
    // A small window: under ThreadSanitizer every step on costs seconds a full frame.
    ASSERT_EQ(Ovilux_SetCaptureWindowEx(handle_, kActiveWidth, 0, 640, kActiveHeight, 0, 480), 1);
    ASSERT_EQ(Ovilux_SetColorMode(handle_, 24), 1);
    ASSERT_EQ(Ovilux_SetBayerGainAuto(handle_, 1), 1);
    ASSERT_EQ(Ovilux_SetAutoIris(handle_, 2), 1);
    std::vector<uint8_t> buffer(static_cast<size_t>(Stride(640, 24)) * 480);
    ASSERT_EQ(Ovilux_CallBackPreview(handle_, notify_, buffer.data(), static_cast<int32_t>(buffer.size()), 1), 1);
    std::atomic<bool> stop{false};
    std::thread setter([&] {
        for (int32_t i = 1; !stop; ++i) {
            Ovilux_SetHue(handle_, i % 361);
            Ovilux_SetSaturation(handle_, i % 255);
            Ovilux_SetGamma(handle_, 50 + i % 100);
            Ovilux_SetContrast(handle_, i % 127);
            Ovilux_SetSharpness(handle_, 1 + i % 30);
            Ovilux_SetBrightness(handle_, 1 + i % 255);
            Ovilux_SetBayerMode(handle_, i % 4);
        }
    });
    const int frames = CountFrames(8, 30000);
    stop = true;
    setter.join();
    EXPECT_EQ(Ovilux_StopPreview(handle_), 1);
    EXPECT_GE(frames, 8);
}

// Live view with every step on, the chain's rows shared between two threads, while another
// thread switches the gamma back and forth: every frame is exactly the still scene converted
// with one of the two gammas, never rows of one and rows of the other.
TEST_F(FilterChain, EachLiveFrameIsConvertedWithOneSetOfSettings) {
    Open(60, 120, 200, OVILUX_SIM_STILL | OVILUX_SIM_NO_DEFECTS);
    ASSERT_EQ(Ovilux_SetCaptureWindowEx(handle_, kActiveWidth, 0, 640, kActiveHeight, 0, 480), 1);
    ASSERT_EQ(Ovilux_SetHue(handle_, 30), 1);
    ASSERT_EQ(Ovilux_SetSaturation(handle_, 40), 1);
    ASSERT_EQ(Ovilux_SetContrast(handle_, 20), 1);
    ASSERT_EQ(Ovilux_SetSharpness(handle_, 10), 1);
    ASSERT_EQ(Ovilux_SetBrightness(handle_, -30), 1);
    const int32_t bytes = Stride(640, 24) * 480;
    std::vector<uint8_t> expected[2];
    for (int k = 0; k < 2; ++k) {
        ASSERT_EQ(Ovilux_SetGamma(handle_, k == 0 ? 50 : 150), 1);
        ASSERT_EQ(Ovilux_SetColorMode(handle_, 24), 1);
        expected[k].resize(static_cast<size_t>(bytes));
        ASSERT_EQ(Ovilux_SnapShot(handle_, expected[k].data(), bytes, 1), 1) << "code " << Ovilux_GetLastError(handle_);
    }
    ASSERT_NE(expected[0], expected[1]);
    ASSERT_EQ(Ovilux_CallBackPreview(handle_, notify_, nullptr, 0, 1), 1);
    std::atomic<bool> stop{false};
    std::thread setter([&] {
        for (int32_t i = 0; !stop; ++i) {
            Ovilux_SetGamma(handle_, i % 2 == 0 ? 50 : 150);
        }
    });
    std::vector<uint8_t> picture(static_cast<size_t>(bytes));
    int frames = 0;
    int mixed = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(PatienceMs(30000));
    while (frames < 12 && std::chrono::steady_clock::now() < deadline) {
        for (const PostedMessage& m : Drain(notify_, 100)) {
            if (m.message != OVILUX_WM_FRAME || m.wParam == 0) {
                continue;
            }
            ++frames;
            // The newest converted frame: maybe a later one than the message's, whole all the same.
            ASSERT_EQ(Ovilux_GetImage(handle_, picture.data(), bytes, 1), 1);
            mixed += picture != expected[0] && picture != expected[1] ? 1 : 0;
        }
    }
    stop = true;
    setter.join();
    EXPECT_EQ(Ovilux_StopPreview(handle_), 1);
    EXPECT_GE(frames, 12);
    EXPECT_EQ(mixed, 0);
}

}  // namespace
}  // namespace ovilux::test
