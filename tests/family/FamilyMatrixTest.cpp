// Every product of the family on its simulated camera, through one library: a session that asks
// for the product opens it, takes a first snapshot at the first-run window in both sample
// widths, the full sensor window, a changed window in every colour mode, mirrors the picture
// (compared with the unmirrored one), takes the longest exposure it advertises at a narrow
// window and reports its own sensor in the camera information.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "OviluxSdk.h"
#include "OviluxSettings.h"
#include "OviluxSim.h"
#include "support/PictureCheck.h"

namespace ovilux::test {
namespace {

constexpr int32_t kLineScan = 32768;  // the height limit of a line-scan camera

struct Product {
    uint16_t id;
    int32_t width, height;                // the sensor array
    int32_t defaultWidth, defaultHeight;  // the model's default window
    int32_t exposureMax;
    bool mirrorH, mirrorV;
};

std::ostream& operator<<(std::ostream& out, const Product& p) {
    return out << std::hex << "0x" << p.id << std::dec;
}

// The factory's products as their makers describe them.
constexpr Product kProducts[] = {
    {0x3020, 4608, 3288, 4608, 3288, 20000, true, true},   {0x3030, 2592, 1944, 2592, 1944, 20000, true, true},
    {0x3040, 3856, 2764, 3840, 2752, 20000, true, true},   {0x3042, 3856, 2764, 3840, 2752, 20000, true, true},
    {0x3090, 2336, 1752, 2336, 1752, 8191, true, true},
    {0x30B0, 4896, 3264, 4896, 3264, 8191, true, true},    {0x30C0, 6576, 4384, 6576, 4384, 2233, true, true},
    {0x30F0, 3072, 2048, 3072, 2048, 30000, true, true},   {0x3100, 1920, 1200, 1920, 1200, 30000, true, true},
    {0x3110, 5520, 3680, 5520, 3680, 666, true, true},     {0x3120, 4800, 3520, 4672, 3504, 4095, true, false},
    {0x3140, 1280, 1024, 1280, 1024, 30000, true, true},
    {0x3150, 640, 512, 640, 512, 10000, true, true},       {0x3170, 320, 256, 320, 256, 10000, true, true},
    {0x3180, 1280, 1024, 1280, 1024, 10000, false, false}, {0x3190, 512, kLineScan, 512, 512, 5039, true, true},
    {0x31A0, 256, kLineScan, 256, 256, 5039, true, true},  {0x31B0, 2448, 2048, 2448, 2048, 7000, true, true},
    {0x31B4, 2448, 2048, 2448, 2048, 7000, true, true},    {0x31C0, 2048, 1536, 2048, 1536, 10000, true, true},
    {0x31C4, 2048, 1536, 2048, 1536, 10000, true, true},   {0x31D0, 1024, kLineScan, 1024, 1024, 5039, true, true},
    {0x31E0, 2048, 2048, 2048, 2048, 10000, true, true},   {0x31F0, 4168, 3062, 4160, 3056, 20000, true, true},
    {0x3200, 640, 512, 640, 512, 1230273, true, true},     {0x3210, 2048, kLineScan, 2048, 2048, 5039, true, true},
    {0x3220, 320, 256, 320, 256, 1000000, true, true},     {0x3260, 1280, 1024, 1280, 1024, 20000, true, true},
    {0x3270, 1280, 1024, 1280, 1024, 20000, true, true},   {0x3280, 640, 512, 640, 512, 20000, true, true},
    {0x3290, 640, 512, 640, 512, 20000, true, true},       {0x32A0, 2448, 2048, 2448, 2048, 7000, true, true},
    {0x32B0, 1936, 1096, 1936, 1096, 10000, true, true},   {0x32C0, 1280, 1024, 1280, 1024, 20000, true, true},
    {0x32D0, 4096, 4096, 2048, 2048, 10000000, true, true}, {0x32E0, 2848, 2848, 2848, 2848, 260, true, true},
    {0x32F0, 2848, 2848, 2848, 2848, 20000, true, true},   {0x3300, 1440, 1080, 1440, 1080, 20000, true, true},
};

// The products whose sensor model gives an orientation other than 0.
constexpr uint16_t kTurnedReadout[] = {0x3090, 0x3180, 0x31B0, 0x31B4, 0x31C0, 0x31C4, 0x31F0, 0x3200, 0x3220,
                                       0x3260, 0x3270, 0x3280, 0x3290, 0x32A0, 0x32B0, 0x32C0, 0x32E0, 0x32F0,
                                       0x3300};

const Product& ProductById(uint16_t id) {
    return *std::find_if(std::begin(kProducts), std::end(kProducts), [id](const Product& p) { return p.id == id; });
}

constexpr int32_t kColourModes[] = {8, 16, 24, 32, 48, 64};

int32_t Stride(int32_t width, int32_t bits) { return (width * bits / 8 + 3) & ~3; }

class FamilyMatrix : public testing::TestWithParam<Product> {
protected:
    void SetUp() override {
        const Product& p = GetParam();
        ASSERT_EQ(OviluxSim_SetSpeed(OVILUX_SIM_SPEED_FAST), 1);
        ASSERT_EQ(OviluxSim_Attach(p.id, 0), 0);
        // A still picture of coloured blocks: no two mirror images of a row are alike.
        picture_ = MakeBlockPicture(kActiveWidth, kActiveHeight, 40);
        ASSERT_EQ(OviluxSim_ShowPicture(0, picture_.pixels.data(), picture_.width, picture_.height, picture_.width * 3, 24), 1);
        ASSERT_EQ(OviluxSim_SetSceneOptions(0, OVILUX_SIM_STILL | OVILUX_SIM_NO_DEFECTS | OVILUX_SIM_FIXED_LEVELS), 1);
        ASSERT_EQ(OviluxSim_SetSessionProduct(p.id), 1);
        // Each product starts as on a first run: no window, mirroring or exposure of the last.
        ASSERT_EQ(OviluxSettings_Reset(0), 1);
        handle_ = Ovilux_Initialize(nullptr);
        ASSERT_NE(handle_, 0u);
        // A camera unplugged earlier in this process keeps its device number in the table, so
        // this product's number is looked up rather than assumed.
        int32_t number = 0;
        char name[64];
        while (number < 32 && Ovilux_GetDeviceName(handle_, number, name, sizeof name) != 1) {
            ++number;
        }
        ASSERT_LT(number, 32) << "the camera is not in the device table";
        // Selecting the camera again (number 0 the session opened itself) opens it afresh: a
        // model that cannot initialise fails here, not later.
        ASSERT_EQ(Ovilux_SetDeviceNumber(handle_, number), 1) << "code " << Ovilux_GetLastError(handle_);
    }

    void TearDown() override {
        if (handle_ != 0) {
            Ovilux_Release(handle_);
        }
        OviluxSim_Detach(0);
        OviluxSim_SetSessionProduct(0);
    }

    // A snapshot of the current window in a colour mode, rows top first; empty when it failed.
    std::vector<uint8_t> Snap(int32_t bits) {
        EXPECT_EQ(Ovilux_SetColorMode(handle_, bits), 1) << bits;
        const int32_t width = Ovilux_Width(handle_);
        const int32_t height = Ovilux_Height(handle_);
        std::vector<uint8_t> image(static_cast<size_t>(Stride(width, bits)) * static_cast<size_t>(height));
        if (width <= 0 || height <= 0 ||
            Ovilux_SnapShot(handle_, image.data(), static_cast<int32_t>(image.size()), 1) != 1) {
            ADD_FAILURE() << bits << "-bit snapshot of " << width << " x " << height << " failed with code "
                          << Ovilux_GetLastError(handle_);
            image.clear();
        }
        return image;
    }

    void SetWindow(int32_t x, int32_t y, int32_t width, int32_t height) {
        const Product& p = GetParam();
        ASSERT_EQ(Ovilux_SetCaptureWindowEx(handle_, p.width, x, width, p.height, y, height), 1)
            << width << " x " << height << " at " << x << ", " << y << ": code " << Ovilux_GetLastError(handle_);
        ASSERT_EQ(Ovilux_Width(handle_), width);
        ASSERT_EQ(Ovilux_Height(handle_), height);
    }

    BlockPicture picture_;
    uint32_t handle_ = 0;
};

TEST_P(FamilyMatrix, TakesPicturesInEveryColourModeAtItsOwnWindows) {
    const Product& p = GetParam();
    // The first run's window, 2560 x 1920, where it lies on this product's sensor; within the
    // sensor's default window where it does not.
    const bool firstRunFits = p.width >= 2560 && p.height >= 1920;
    EXPECT_EQ(Ovilux_Width(handle_), firstRunFits ? 2560 : std::min(2560, p.defaultWidth));
    EXPECT_EQ(Ovilux_Height(handle_), firstRunFits ? 1920 : std::min(1920, p.defaultHeight));
    // Both sample widths the camera transfers; the colour modes convert the same frames.
    EXPECT_FALSE(Snap(8).empty());
    EXPECT_FALSE(Snap(16).empty());

    OviluxCameraInfo info{};
    info.size = sizeof(info);
    ASSERT_EQ(Ovilux_GetCameraInfo(handle_, &info), 1);
    EXPECT_EQ(info.maxWidth, p.width);
    EXPECT_EQ(info.maxHeight, p.height);

    // The whole sensor (a line-scan camera: its whole line at its default frame height).
    SetWindow(0, 0, p.width, p.height == kLineScan ? p.defaultHeight : p.height);
    EXPECT_FALSE(Snap(8).empty());

    // A smaller window away from the origin, in every colour mode.
    SetWindow(16, 8, std::min(320, p.width - 16), 240);
    for (const int32_t bits : kColourModes) {
        EXPECT_FALSE(Snap(bits).empty());
    }
}

// How far a mirrored colour picture is from the unmirrored one turned over: pixels compared
// (those inside a plain patch, away from any edge the demosaic blurs) and those that differ.
struct TurnedMatch {
    int64_t compared = 0;
    int64_t wrong = 0;
};

TurnedMatch CompareTurned(const std::vector<uint8_t>& turned, const std::vector<uint8_t>& plain, int32_t width,
                          int32_t height, bool leftRight) {
    constexpr int32_t kReach = 3;      // a patch pixel has like neighbours this far each way
    constexpr int32_t kBorder = 8;     // the picture's border, which the demosaic treats on its own
    constexpr int32_t kTolerance = 3;  // per channel: the demosaic of a turned Bayer pattern
    const int32_t stride = Stride(width, 24);
    const auto pixel = [stride](const std::vector<uint8_t>& image, int32_t x, int32_t y) {
        return &image[static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 3];
    };
    const auto close = [](const uint8_t* a, const uint8_t* b) {
        return std::abs(a[0] - b[0]) <= kTolerance && std::abs(a[1] - b[1]) <= kTolerance &&
               std::abs(a[2] - b[2]) <= kTolerance;
    };
    TurnedMatch match;
    for (int32_t y = kBorder; y < height - kBorder; ++y) {
        for (int32_t x = kBorder; x < width - kBorder; ++x) {
            const int32_t sx = leftRight ? width - 1 - x : x;
            const int32_t sy = leftRight ? y : height - 1 - y;
            const uint8_t* source = pixel(plain, sx, sy);
            bool patch = true;
            for (int32_t dy = -kReach; dy <= kReach && patch; ++dy) {
                for (int32_t dx = -kReach; dx <= kReach && patch; ++dx) {
                    patch = close(pixel(plain, sx + dx, sy + dy), source);
                }
            }
            if (patch) {
                ++match.compared;
                match.wrong += close(pixel(turned, x, y), source) ? 0 : 1;
            }
        }
    }
    return match;
}

TEST_P(FamilyMatrix, MirroredPicturesAreTheUnmirroredOnesTurnedOver) {
    const Product& p = GetParam();
    if (!p.mirrorH) {
        EXPECT_EQ(Ovilux_SetMirrorH(handle_, 1), 0) << "a model without mirroring accepted it";
        return;
    }
    // The store may hold mirroring from an earlier session on this device number.
    ASSERT_EQ(Ovilux_SetMirrorH(handle_, 0), 1);
    if (p.mirrorV) {
        ASSERT_EQ(Ovilux_SetMirrorV(handle_, 0), 1);
    }
    const int32_t width = std::min(320, p.width);
    const int32_t height = std::min(240, p.defaultHeight);
    SetWindow(0, 0, width, height);
    const std::vector<uint8_t> plain = Snap(24);
    ASSERT_FALSE(plain.empty());
    // The camera sends frames of the window it was given: the picture is the scene's corner.
    // (The simulated cameras send every scene upright, so the products whose sensor reads out
    // turned, and which the library turns back, show it turned.)
    if (std::find(std::begin(kTurnedReadout), std::end(kTurnedReadout), p.id) == std::end(kTurnedReadout)) {
        const PictureMatch scene =
            ComparePicture({plain.data(), width, height, Stride(width, 24), 24}, picture_, {0, 0, 1});
        EXPECT_GT(scene.compared, int64_t{width} * height / 4);
        EXPECT_EQ(scene.mismatched, 0) << scene.firstMismatch;
    }

    ASSERT_EQ(Ovilux_SetMirrorH(handle_, 1), 1);
    const std::vector<uint8_t> turned = Snap(24);
    ASSERT_FALSE(turned.empty());
    TurnedMatch match = CompareTurned(turned, plain, width, height, true);
    EXPECT_GT(match.compared, int64_t{width} * height / 4) << "too few plain patches to tell";
    EXPECT_EQ(match.wrong, 0) << "pixels not mirrored left to right";
    ASSERT_EQ(Ovilux_SetMirrorH(handle_, 0), 1);
    if (!p.mirrorV) {
        return;
    }
    ASSERT_EQ(Ovilux_SetMirrorV(handle_, 1), 1);
    const std::vector<uint8_t> upsideDown = Snap(24);
    ASSERT_FALSE(upsideDown.empty());
    match = CompareTurned(upsideDown, plain, width, height, false);
    EXPECT_GT(match.compared, int64_t{width} * height / 4) << "too few plain patches to tell";
    EXPECT_EQ(match.wrong, 0) << "rows not mirrored top to bottom";
}

// What the camera information and the setters promise is what the camera takes, at a narrow
// and at a wide window: the longest exposure advertised and a third of it are read back as
// set, also after a capture (which pushes the kept exposure again), and one unit more is
// refused rather than cut short.
TEST_P(FamilyMatrix, EveryExposureItAdvertisesIsTakenAndReadBackAtEveryWidth) {
    const Product& p = GetParam();
    int32_t narrowMaximum = 0;
    for (const int32_t width : {std::min(640, p.width), p.defaultWidth}) {
        SCOPED_TRACE(testing::Message() << width << " wide");
        SetWindow(0, 0, width, std::min(480, p.defaultHeight));
        OviluxCameraInfo info{};
        info.size = sizeof(info);
        ASSERT_EQ(Ovilux_GetCameraInfo(handle_, &info), 1);
        if (p.id == 0x3030) {
            // The M03's shutter counts 15 bits of rows: it never reaches its model's 2 s, and a
            // narrow window's shorter rows reach less than a wide one's.
            EXPECT_LT(info.exposureMax, p.exposureMax);
        } else {
            EXPECT_EQ(info.exposureMax, p.exposureMax);
        }
        narrowMaximum = narrowMaximum == 0 ? info.exposureMax : narrowMaximum;
        int32_t ok = 0;
        for (const int32_t exposure : {info.exposureMax, std::max(info.exposureMin, info.exposureMax / 3)}) {
            ASSERT_EQ(Ovilux_SetExposureTime(handle_, exposure), 1) << exposure;
            EXPECT_EQ(Ovilux_GetExposureTime(handle_, &ok), exposure);
            EXPECT_EQ(ok, 1);
            EXPECT_FALSE(Snap(8).empty());
            EXPECT_EQ(Ovilux_GetExposureTime(handle_, &ok), exposure) << "after a snapshot";
        }
        EXPECT_EQ(Ovilux_SetExposureTime(handle_, info.exposureMax + 1), 0);
        EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_BAD_ARGUMENT);
        EXPECT_EQ(Ovilux_GetExposureTime(handle_, &ok), std::max(info.exposureMin, info.exposureMax / 3));
    }
    if (p.id == 0x3030) {
        // About 0.54 s at 640 wide, 1.2 s at its full width.
        OviluxCameraInfo info{};
        info.size = sizeof(info);
        ASSERT_EQ(Ovilux_GetCameraInfo(handle_, &info), 1);
        EXPECT_LT(narrowMaximum, info.exposureMax / 2);
        // Half-size sub-sampling shortens the rows: the camera says so before any capture, and
        // takes what it says.
        const int32_t fullSizeMaximum = info.exposureMax;
        ASSERT_EQ(Ovilux_SetSubSample(handle_, 1), 1);
        ASSERT_EQ(Ovilux_GetCameraInfo(handle_, &info), 1);
        EXPECT_LT(info.exposureMax, fullSizeMaximum);
        ASSERT_EQ(Ovilux_SetExposureTime(handle_, info.exposureMax), 1);
        EXPECT_FALSE(Snap(8).empty());
        int32_t ok = 0;
        EXPECT_EQ(Ovilux_GetExposureTime(handle_, &ok), info.exposureMax) << "after a half-size snapshot";
    }
}

INSTANTIATE_TEST_SUITE_P(EveryProduct, FamilyMatrix, testing::ValuesIn(kProducts),
                         [](const testing::TestParamInfo<Product>& info) {
                             char name[16];
                             std::snprintf(name, sizeof(name), "P%04X", info.param.id);
                             return std::string(name);
                         });

// 0x32D0's FPGA register 0xA3 says how wide its samples are, so its level is the one byte in
// 0xA2: the level is taken up to 255 and refused above, and the frames keep their width.
class FamilyOneByteLevel : public FamilyMatrix {};

TEST_P(FamilyOneByteLevel, TheLevelIsWrittenAndLeavesTheSampleWidthAlone) {
    SetWindow(0, 0, 320, 240);
    ASSERT_FALSE(Snap(16).empty());
    ASSERT_EQ(Ovilux_SetFilterValue(handle_, OVILUX_FILTER_BLACK_LEVEL, 255), 1);
    int32_t ok = 0;
    EXPECT_EQ(Ovilux_GetFilterValue(handle_, OVILUX_FILTER_BLACK_LEVEL, &ok), 255);
    uint8_t reg = 0;
    ASSERT_EQ(OviluxSim_PeekFpgaRegister(0, 0xA2, &reg), 1);
    EXPECT_EQ(reg, 255) << "the level was not written";
    EXPECT_EQ(Ovilux_SetFilterValue(handle_, OVILUX_FILTER_BLACK_LEVEL, 256), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_REFUSED);
    EXPECT_EQ(Ovilux_GetFilterValue(handle_, OVILUX_FILTER_BLACK_LEVEL, &ok), 255);
    // 16-bit frames still come as 16-bit frames, and 8-bit ones as 8-bit.
    EXPECT_FALSE(Snap(16).empty());
    ASSERT_EQ(OviluxSim_PeekFpgaRegister(0, 0xA3, &reg), 1);
    EXPECT_EQ(reg, 2);
    EXPECT_FALSE(Snap(8).empty());
    EXPECT_EQ(Ovilux_GetFilterValue(handle_, OVILUX_FILTER_BLACK_LEVEL, &ok), 255);
}

INSTANTIATE_TEST_SUITE_P(P32D0, FamilyOneByteLevel, testing::Values(ProductById(0x32D0)));

// The camera without a start-up of its own (0x3050) and the video converter, which the library
// cannot probe (0x3130), are never opened.
class FamilyNotOpened : public testing::TestWithParam<uint16_t> {};

TEST_P(FamilyNotOpened, TheCameraIsFoundButNotOpened) {
    ASSERT_EQ(OviluxSim_Attach(GetParam(), 0), 0);
    ASSERT_EQ(OviluxSim_SetSessionProduct(GetParam()), 1);
    const uint32_t handle = Ovilux_Initialize(nullptr);
    ASSERT_NE(handle, 0u);
    char names[10 * 256] = {};
    EXPECT_EQ(Ovilux_EnumDevice(handle, names), 1);
    EXPECT_EQ(Ovilux_SetDeviceNumber(handle, 0), 0);
    Ovilux_Release(handle);
    OviluxSim_Detach(0);
    OviluxSim_SetSessionProduct(0);
}

INSTANTIATE_TEST_SUITE_P(WithoutStartUp, FamilyNotOpened, testing::Values(uint16_t{0x3050}, uint16_t{0x3130}));

}  // namespace
}  // namespace ovilux::test
