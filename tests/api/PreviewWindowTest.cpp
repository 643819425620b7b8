// The preview window as a user sees it: found on the display (Xvfb on Linux, Wine's windows
// on Windows), its names, place and size, and its pixels read back after live view compared
// with the image the session converted, shown one to one or through the display copy.
#include <cstdlib>
#include <filesystem>
#include <regex>
#if !defined(_WIN32)
#include <signal.h>
#include <sys/wait.h>
#endif
#include <string>
#include <vector>

#include "api/SimulatedCameras.h"
#include "support/Patience.h"
#include "support/WindowProbe.h"

namespace ovilux::test {
namespace {

constexpr int32_t kWidth = 2560;
constexpr int32_t kHeight = 1920;
constexpr int32_t kQuarter = 2;  // sub-sampling code: 640 x 480, quick in every build

int32_t Stride(int32_t width, int32_t bits) { return (width * bits / 8 + 3) & ~3; }

class PreviewWindow : public SessionTest {
protected:
    void SetUp() override {
        if (!DisplayReady()) {
            GTEST_SKIP() << "no display could be started for the preview windows";
        }
        OpenSession(1);
        ASSERT_EQ(OviluxSim_SetSceneOptions(0, OVILUX_SIM_STILL | OVILUX_SIM_NO_DEFECTS), 1);
        PopAll(handle_);
    }

    void TearDown() override {
        SessionTest::TearDown();
        for (WindowId parent : parents_) {
            DestroyParentWindow(parent);
        }
    }

    WindowId Parent(int32_t width, int32_t height) {
        parents_.push_back(MakeParentWindow(width, height));
        return parents_.back();
    }

    // Live view until two frames have been painted; the window keeps the last after the stop.
    void ShowFrames() {
        OVILUX_HWND frames = OviluxWnd_CreateMessageWindow();
        ASSERT_EQ(Ovilux_CallBackPreview(handle_, frames, nullptr, 0, 1), 1) << Ovilux_GetLastError(handle_);
        int seen = 0;
        PostedMessage m{};
        while (seen < 2 && OviluxWnd_GetMessage(frames, PatienceMs(20000), &m.message, &m.wParam, &m.lParam) == 1) {
            seen += m.message == OVILUX_WM_FRAME && m.wParam != 0 ? 1 : 0;
        }
        EXPECT_EQ(Ovilux_StopPreview(handle_), 1);
        OviluxWnd_DestroyWindow(frames);
        ASSERT_EQ(seen, 2);
    }

    std::vector<WindowId> parents_;
};

bool IsPreviewClassName(const std::string& name) {
    return std::regex_match(name, std::regex("VideoRenderer_[0-9a-f]{8}_[0-9a-f]{8}"));
}

TEST_F(PreviewWindow, TopLevelWindowHasItsNamesAndTheOutputSizeAndGoesWithClose) {
    for (int32_t subSample : {0, 1, 2}) {
        SCOPED_TRACE(subSample);
        ASSERT_EQ(Ovilux_SetSubSample(handle_, subSample), 1);
        ASSERT_EQ(Ovilux_SetPreviewWindow(handle_, nullptr, 0, 0, 1, 1), 1);  // values only ask for a window
        ASSERT_EQ(Ovilux_Preview(handle_), 1) << Ovilux_GetLastError(handle_);
        const std::vector<WindowId> windows = PreviewWindows();
        ASSERT_EQ(windows.size(), 1u);
        const WindowFacts facts = FactsOf(windows[0]);
        EXPECT_TRUE(IsPreviewClassName(facts.className)) << facts.className;
        EXPECT_EQ(facts.title, "Active Window");
        EXPECT_EQ(facts.clientWidth, kWidth >> subSample);
        EXPECT_EQ(facts.clientHeight, kHeight >> subSample);
#if defined(_WIN32)
        EXPECT_EQ(facts.style, 0x16CF0000u);
#else
        // Centred on the screen (the client area is the whole X window).
        EXPECT_EQ(facts.x, std::max(0, (ScreenWidth() - facts.clientWidth) / 2));
        EXPECT_EQ(facts.y, std::max(0, (ScreenHeight() - facts.clientHeight) / 2));
#endif
        ASSERT_EQ(Ovilux_Close(handle_), 1);
        EXPECT_TRUE(PreviewWindows().empty());
    }
}

TEST_F(PreviewWindow, ChildWindowSitsInItsParentAndGoesWithRelease) {
    const WindowId parent = Parent(800, 600);
    ASSERT_EQ(Ovilux_SetPreviewWindow(handle_, AsLibraryHandle(parent), 30, 40, 320, 240), 1);
    ASSERT_EQ(Ovilux_Preview(handle_), 1) << Ovilux_GetLastError(handle_);
    const std::vector<WindowId> children = PreviewWindows(parent);
    ASSERT_EQ(children.size(), 1u);
    const WindowFacts facts = FactsOf(children[0]);
    EXPECT_TRUE(IsPreviewClassName(facts.className)) << facts.className;
    EXPECT_EQ(facts.title, "ActiveMovie Window");
    EXPECT_EQ(facts.x, 30);
    EXPECT_EQ(facts.y, 40);
    EXPECT_EQ(facts.clientWidth, 320);
    EXPECT_EQ(facts.clientHeight, 240);
#if defined(_WIN32)
    EXPECT_EQ(facts.style, 0x52000000u);
    EXPECT_EQ(facts.id, 6540);
#endif
    Ovilux_Release(handle_);
    handle_ = 0;
    EXPECT_TRUE(PreviewWindows(parent).empty());
}

TEST_F(PreviewWindow, TwoSessionsGetTheirOwnWindowClasses) {
    ASSERT_EQ(OviluxSim_Attach(0x3030, 1), 1);
    attached_ = 2;
    const uint32_t second = Ovilux_Initialize(nullptr);
    ASSERT_NE(second, 0u);
    ASSERT_EQ(Ovilux_SetDeviceNumber(second, 1), 1) << Ovilux_GetLastError(second);
    for (uint32_t handle : {handle_, second}) {
        ASSERT_EQ(Ovilux_SetSubSample(handle, kQuarter), 1);
        ASSERT_EQ(Ovilux_SetPreviewWindow(handle, nullptr, 1, 0, 0, 0), 1);
        ASSERT_EQ(Ovilux_Preview(handle), 1) << Ovilux_GetLastError(handle);
    }
    const std::vector<WindowId> windows = PreviewWindows();
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_NE(FactsOf(windows[0]).className, FactsOf(windows[1]).className);
    Ovilux_Release(second);
    EXPECT_EQ(PreviewWindows().size(), 1u);
}

TEST_F(PreviewWindow, RecordingShowsTheWindowOnlyWithItsFlag) {
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("ovilux-preview-" + std::to_string(handle_) + ".avi");
    ASSERT_EQ(Ovilux_SetSubSample(handle_, kQuarter), 1);
    ASSERT_EQ(Ovilux_SetPreviewWindow(handle_, nullptr, 0, 0, 1, 1), 1);
    for (int32_t flag : {0, 1}) {
        SCOPED_TRACE(flag);
        ASSERT_EQ(Ovilux_Record(handle_, file.string().c_str(), 200, flag), 1) << Ovilux_GetLastError(handle_);
        EXPECT_EQ(PreviewWindows().size(), static_cast<size_t>(flag));
        ASSERT_EQ(Ovilux_Close(handle_), 1);
        EXPECT_TRUE(PreviewWindows().empty());
    }
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
}

// A recording that fails after it opened its window (here: a folder as the file) closes the
// window with the live view it started.
TEST_F(PreviewWindow, AFailedRecordingClosesTheWindowItOpened) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("ovilux-preview-folder-" + std::to_string(handle_));
    std::filesystem::create_directories(folder);
    ASSERT_EQ(Ovilux_SetSubSample(handle_, kQuarter), 1);
    ASSERT_EQ(Ovilux_SetPreviewWindow(handle_, nullptr, 0, 0, 1, 1), 1);
    EXPECT_EQ(Ovilux_Record(handle_, folder.string().c_str(), 200, 1), 0);
    EXPECT_EQ(PopAll(handle_), std::vector<int32_t>{12});
    EXPECT_TRUE(PreviewWindows().empty());
    EXPECT_EQ(Ovilux_Capture(handle_), 1) << "no live view is left running";
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

// What the window shows at (x, y) of a client area clientWidth x clientHeight, from an image
// of the mode as GetImage gives it (rows in stored order): one to one, or the nearest pixel
// of the display copy, whose rows are filled from the last source row backwards.
uint32_t ExpectedPixel(const std::vector<uint8_t>& image, int32_t bits, int32_t width, int32_t height,
                       int32_t clientWidth, int32_t clientHeight, int32_t x, int32_t y) {
    int32_t column = x, row = y;
    if (clientWidth != width || clientHeight != height || bits == 16) {
        const auto nearest = [](int32_t i, int32_t from, int32_t to) {
            const float position = static_cast<float>(i) * (static_cast<float>(from) / static_cast<float>(to));
            return std::min(static_cast<int32_t>(position), from - 1);
        };
        column = nearest(x, width, clientWidth);
        row = height - 1 - nearest(clientHeight - 1 - y, height, clientHeight);
    }
    const uint8_t* p = image.data() + static_cast<size_t>(row) * Stride(width, bits) + column * (bits / 8);
    const auto word = [p](int i) { return static_cast<uint32_t>(p[2 * i] | p[2 * i + 1] << 8) >> 4; };
    switch (bits) {
        case 8:
            return p[0] * 0x010101u;
        case 16:
            return word(0) * 0x010101u;
        case 48:
            return word(2) << 16 | word(1) << 8 | word(0);
        default:
            return uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
    }
}

TEST_F(PreviewWindow, PixelsAreTheConvertedImageOrItsScaledCopy) {
    constexpr int32_t kOutWidth = kWidth >> kQuarter, kOutHeight = kHeight >> kQuarter;
    struct Case {
        int32_t bits;
        int32_t clientWidth;
        int32_t clientHeight;
    };
    const Case cases[] = {{8, kOutWidth, kOutHeight},  {8, 400, 300},  {16, kOutWidth, kOutHeight},
                          {16, 900, 700},              {24, kOutWidth, kOutHeight}, {24, 400, 300},
                          {48, kOutWidth, kOutHeight}, {48, 1000, 500}};
    ASSERT_EQ(Ovilux_SetSubSample(handle_, kQuarter), 1);
    const WindowId parent = Parent(1024, 768);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits in " << c.clientWidth << " x " << c.clientHeight);
        ASSERT_EQ(Ovilux_SetColorMode(handle_, c.bits), 1);
        ASSERT_EQ(Ovilux_SetPreviewWindow(handle_, AsLibraryHandle(parent), 0, 0, c.clientWidth, c.clientHeight), 1);
        ShowFrames();
        std::vector<uint8_t> image(static_cast<size_t>(Stride(kOutWidth, c.bits)) * kOutHeight);
        ASSERT_EQ(Ovilux_GetImage(handle_, image.data(), static_cast<int32_t>(image.size()), 1), 1);
        const std::vector<WindowId> children = PreviewWindows(parent);
        ASSERT_EQ(children.size(), 1u);
        const WindowPixels shown = ReadClient(children[0], c.clientWidth, c.clientHeight);
        ASSERT_EQ(shown.width, c.clientWidth);
        int wrong = 0;
        for (int32_t y = 0; y < c.clientHeight; ++y) {
            for (int32_t x = 0; x < c.clientWidth; ++x) {
                const uint32_t expected =
                    ExpectedPixel(image, c.bits, kOutWidth, kOutHeight, c.clientWidth, c.clientHeight, x, y);
                if (shown.At(x, y) != expected && ++wrong <= 3) {
                    ADD_FAILURE() << "pixel " << x << ", " << y << ": " << std::hex << shown.At(x, y) << " not "
                                  << expected;
                }
            }
        }
        EXPECT_EQ(wrong, 0);
        const char* screenshots = std::getenv("OVILUX_SCREENSHOT_DIR");
        if (screenshots != nullptr && c.bits == 24 && c.clientWidth == kOutWidth) {
#if defined(_WIN32)
            EXPECT_EQ(SaveScreenshot(std::string(screenshots) + "/preview-windows.png", shown), 1);
#else
            EXPECT_EQ(SaveScreenshot(std::string(screenshots) + "/preview-linux.png", shown), 1);
#endif
        }
        ASSERT_EQ(Ovilux_Close(handle_), 1);
    }
}

TEST_F(PreviewWindow, AParentThatIsNoWindowGivesCode4) {
    OVILUX_HWND messages = OviluxWnd_CreateMessageWindow();
#if defined(_WIN32)
    // (A message-only window is a window there, and a child of it is made, unseen.)
    const OVILUX_HWND badParents[] = {reinterpret_cast<OVILUX_HWND>(uintptr_t{0x7FFF1234})};
#else
    EXPECT_EQ(OviluxWnd_FromX11Window(0), nullptr);
    EXPECT_EQ(OviluxWnd_FromX11Window(0x20000000ul), nullptr);  // no server gives such an id
    const OVILUX_HWND badParents[] = {OviluxWnd_FromX11Window(0x1FFFFFFEul), messages,
                                      reinterpret_cast<OVILUX_HWND>(uintptr_t{0x7FFF1234})};
#endif
    for (OVILUX_HWND parent : badParents) {
        ASSERT_EQ(Ovilux_SetPreviewWindow(handle_, parent, 0, 0, 64, 64), 1);
        EXPECT_EQ(Ovilux_Preview(handle_), 0);
        EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_WINDOW);
    }
    OviluxWnd_DestroyWindow(messages);
    EXPECT_TRUE(PreviewWindows().empty());
}

#if !defined(_WIN32)
TEST_F(PreviewWindow, ADisplayThatGoesAwayLeavesLiveViewAndTheProcessRunning) {
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "libX11 (1.8) unlocks a mutex it does not hold on a broken connection's way out, "
                    "which ThreadSanitizer reports; the AddressSanitizer build runs this test";
#endif
    const OwnDisplay own = StartOwnDisplay();
    ASSERT_GT(own.pid, 0);
    const std::string display = std::getenv("DISPLAY");
    setenv("DISPLAY", own.name.c_str(), 1);
    ASSERT_EQ(Ovilux_SetSubSample(handle_, kQuarter), 1);
    ASSERT_EQ(Ovilux_SetPreviewWindow(handle_, nullptr, 0, 0, 1, 1), 1);
    OVILUX_HWND frames = OviluxWnd_CreateMessageWindow();
    const bool started = Ovilux_CallBackPreview(handle_, frames, nullptr, 0, 1) == 1;
    setenv("DISPLAY", display.c_str(), 1);
    ASSERT_TRUE(started);
    const auto countFrames = [frames](int wanted) {
        int seen = 0;
        PostedMessage m{};
        while (seen < wanted && OviluxWnd_GetMessage(frames, PatienceMs(20000), &m.message, &m.wParam, &m.lParam) == 1) {
            seen += m.message == OVILUX_WM_FRAME && m.wParam != 0 ? 1 : 0;
        }
        return seen;
    };
    EXPECT_EQ(countFrames(2), 2);
    kill(own.pid, SIGKILL);
    waitpid(own.pid, nullptr, 0);
    EXPECT_EQ(countFrames(5), 5) << "live view goes on with its window's display gone";
    EXPECT_EQ(Ovilux_StopPreview(handle_), 1);
    EXPECT_EQ(Ovilux_Close(handle_), 1);
    OviluxWnd_DestroyWindow(frames);
}

TEST_F(PreviewWindow, NoDisplayGivesCode4AndLiveViewStillRunsWithoutAPlacement) {
    const std::string display = std::getenv("DISPLAY");
    setenv("DISPLAY", ":65000", 1);  // no server there
    ASSERT_EQ(Ovilux_SetPreviewWindow(handle_, nullptr, 0, 0, 640, 480), 1);
    EXPECT_EQ(Ovilux_Preview(handle_), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_WINDOW);
    setenv("DISPLAY", display.c_str(), 1);
    // Without a placement live view runs windowless and delivers.
    ASSERT_EQ(Ovilux_SetPreviewWindow(handle_, nullptr, 0, 0, 0, 0), 1);
    ASSERT_EQ(Ovilux_SetSubSample(handle_, kQuarter), 1);
    ShowFrames();
    EXPECT_TRUE(PreviewWindows().empty());
    std::vector<uint8_t> image(static_cast<size_t>(Stride(kWidth >> kQuarter, 24)) * (kHeight >> kQuarter));
    EXPECT_EQ(Ovilux_GetImage(handle_, image.data(), static_cast<int32_t>(image.size()), 1), 1);
}
#endif

}  // namespace
}  // namespace ovilux::test
