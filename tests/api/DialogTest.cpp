// The property dialogs as a user meets them under Windows: a test thread finds each dialog,
// drives its controls with the messages clicks, typing and trackbar drags send, and the test
// checks what reached the camera, the session and the stored settings. Every dialog ends by
// itself within its time limit: the driver cancels what a script leaves open. With
// OVILUX_DIALOG_SHOTS set to a folder, each dialog is also saved there as a BMP picture.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "OviluxSdk.h"
#include "OviluxSim.h"
#include "api/SimulatedCameras.h"
#include "support/DialogDriver.h"
#include "support/ScratchSettingsStore.h"

namespace ovilux::test {
namespace {

// Ids of the dialogs' controls, as their templates number them.
enum : int {
    kDefault = 3, kApply = 1002, kColour = 1009, kSize = 1010, kHEffective = 1041, kVEffective = 1042,
    kGlobalEdit = 1015, kGlobalBar = 1013, kG1Edit = 1019, kREdit = 1021, kBEdit = 1023, kG2Edit = 1025,
    kMirrorV = 1028, kIrisGain = 1036, kIrisExposure = 1037, kHueEdit = 2022, kBrightnessBar = 2001,
    kBrightnessEdit = 2002, kGrayGainREdit = 2101, kGrayBayer = 1046, kGrayAllFrames = 1035, kGrayOnce = 2074,
};

// The dialog's picture, for the README, when a folder for them is named.
void SaveShot(HWND window, const char* name) {
    const char* folder = std::getenv("OVILUX_DIALOG_SHOTS");
    if (folder == nullptr) {
        return;
    }
    RECT r{};
    GetWindowRect(window, &r);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(200);  // the dialog's thread paints; the screen is read after it has
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD size = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + size), 0, 0,
                          sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
    const std::string path = std::string(folder) + "/" + name +
                             (GetSystemDefaultLangID() == 1041 ? "-ja.bmp" : "-en.bmp");
    if (FILE* out = std::fopen(path.c_str(), "wb")) {
        std::fwrite(&file, sizeof file, 1, out);
        std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out);
        std::fwrite(bits, 1, size, out);
        std::fclose(out);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

int Int(HWND dialog, int id) { return static_cast<int>(GetDlgItemInt(dialog, id, nullptr, TRUE)); }

std::wstring Caption(HWND window) {
    wchar_t text[128] = {};
    GetWindowTextW(window, text, 128);
    return text;
}

class Dialogs : public SessionTest {
protected:
    void SetUp() override { OpenSession(1); }
    // The caption the system's language gives a dialog.
    static std::wstring Expected(const wchar_t* english, const wchar_t* japanese) {
        return GetSystemDefaultLangID() == 1041 ? japanese : english;
    }
    ScratchSettingsStore scratch_{true};
};

TEST_F(Dialogs, AnalogGlobalGainMovesEveryColourGainAndCancelPutsTheCameraBack) {
    int32_t ok = 0;
    const int32_t gainBefore = Ovilux_GetGlobalGain(handle_, &ok);
    const int32_t mirrorBefore = Ovilux_GetMirrorV(handle_);
    std::vector<int> colourEdits;
    int32_t gainWhileOpen = -1;
    int32_t irisWhileOpen = -1;
    std::wstring caption;
    {
        DialogDriver driver([&](HWND frame) {
            caption = Caption(frame);
            HWND page = PageWith(frame, kGlobalEdit);
            if (page == nullptr) return;
            SaveShot(frame, "analog");
            DragBar(page, kGlobalBar, gainBefore + 3);
            for (int id : {kG1Edit, kREdit, kBEdit, kG2Edit}) colourEdits.push_back(Int(page, id));
            gainWhileOpen = Ovilux_GetGlobalGain(handle_, nullptr);
            Click(page, kMirrorV);
            Click(page, kIrisGain);
            Click(page, kIrisExposure);
            irisWhileOpen = Ovilux_GetAutoIris(handle_, nullptr);
            Click(frame, IDCANCEL);
        });
        ASSERT_EQ(Ovilux_SetAnalogDlg(handle_, nullptr), 1);
    }
    EXPECT_EQ(caption, Expected(L"Analog", L"アナログ"));
    EXPECT_EQ(colourEdits, std::vector<int>(4, gainBefore + 3));
    EXPECT_EQ(gainWhileOpen, gainBefore + 3);
    EXPECT_EQ(irisWhileOpen, 1);  // "Exposure" checked unchecks "Gain"
    EXPECT_EQ(Ovilux_GetGlobalGain(handle_, nullptr), gainBefore);
    EXPECT_EQ(Ovilux_GetMirrorV(handle_), mirrorBefore);
    EXPECT_EQ(Ovilux_GetAutoIris(handle_, nullptr), 0);
}

TEST_F(Dialogs, ImageFilterInMonochromeShowsGrayTabAndDefaultSetsUnityGrayGains) {
    ASSERT_EQ(Ovilux_SetColorMode(handle_, 16), 1);
    ASSERT_EQ(Ovilux_SetGrayGainR(handle_, 200), 1);
    ASSERT_EQ(Ovilux_SetGrayMode(handle_, 2), 1);
    int tabs = 0;
    BOOL hueEnabled = TRUE;
    int brightnessEdit = 0;
    std::vector<UINT> allFramesChecks;
    {
        DialogDriver driver([&](HWND frame) {
            HWND image = PageWith(frame, kHueEdit);
            if (image == nullptr) return;
            tabs = static_cast<int>(SendDlgItemMessageW(frame, 1001, TCM_GETITEMCOUNT, 0, 0));
            hueEnabled = IsWindowEnabled(GetDlgItem(image, kHueEdit));
            SaveShot(frame, "image-filter");
            DragBar(image, kBrightnessBar, 40);
            brightnessEdit = Int(image, kBrightnessEdit);
            Click(frame, kDefault);
            HWND gray = PageWith(frame, kGrayGainREdit);
            if (gray != nullptr) {
                HWND tab = GetDlgItem(frame, 1001);
                SendMessageW(tab, TCM_SETCURSEL, 1, 0);
                NMHDR change{tab, 1001, static_cast<UINT>(TCN_SELCHANGE)};
                SendMessageW(frame, WM_NOTIFY, 1001, reinterpret_cast<LPARAM>(&change));
                SaveShot(frame, "gray-filter");
                Click(gray, kGrayOnce);
                Click(gray, kGrayAllFrames);  // from once: off
                allFramesChecks.push_back(IsDlgButtonChecked(gray, kGrayAllFrames));
                Click(gray, kGrayAllFrames);  // every frame
                allFramesChecks.push_back(IsDlgButtonChecked(gray, kGrayAllFrames));
            }
            Click(frame, IDOK);
        });
        ASSERT_EQ(Ovilux_SetImageDlg(handle_, nullptr), 1);
    }
    EXPECT_EQ(tabs, 2);
    EXPECT_FALSE(hueEnabled);
    EXPECT_EQ(brightnessEdit, 40);
    EXPECT_EQ(Ovilux_GetBrightness(handle_, nullptr), 0);  // Default came after the drag
    EXPECT_EQ(Ovilux_GetGrayGainR(handle_, nullptr), 128);
    EXPECT_EQ(Ovilux_GetGrayMode(handle_, nullptr), 2);
    // The box shows the automatic gray gain: off after "Once" and a click, every frame after another.
    EXPECT_EQ(allFramesChecks, (std::vector<UINT>{BST_UNCHECKED, BST_CHECKED}));
}

TEST_F(Dialogs, ImageFilterCancelRestoresEveryValue) {
    ASSERT_EQ(Ovilux_SetColorMode(handle_, 24), 1);
    ASSERT_EQ(Ovilux_SetHue(handle_, 45), 1);
    {
        DialogDriver driver([&](HWND frame) {
            HWND image = PageWith(frame, kHueEdit);
            if (image == nullptr) return;
            TypeInt(image, kHueEdit, -90);
            Click(frame, kDefault);
            Click(frame, IDCANCEL);
        });
        ASSERT_EQ(Ovilux_SetImageDlg(handle_, nullptr), 1);
    }
    EXPECT_EQ(Ovilux_GetHue(handle_, nullptr), 45);
    EXPECT_EQ(Ovilux_GetGamma(handle_, nullptr), 100);
}

// Cancel after "Default" puts back what Default sent beside the gains: the black level, the
// preset and the gain mode, on the products that have them (no model drives a cooler yet).
class AnalogCancel : public testing::TestWithParam<uint16_t> {
protected:
    void SetUp() override {
        ASSERT_EQ(OviluxSim_SetSpeed(OVILUX_SIM_SPEED_FAST), 1);
        ASSERT_EQ(OviluxSim_Attach(GetParam(), 0), 0);
        ASSERT_EQ(OviluxSim_SetSessionProduct(GetParam()), 1);
        handle_ = Ovilux_Initialize(nullptr);
        ASSERT_NE(handle_, 0u);
    }
    void TearDown() override {
        if (handle_ != 0) {
            Ovilux_Release(handle_);
        }
        OviluxSim_Detach(0);
        OviluxSim_SetSessionProduct(0);
    }
    uint8_t Fpga(uint32_t address) {
        uint8_t value = 0;
        EXPECT_EQ(OviluxSim_PeekFpgaRegister(0, address, &value), 1);
        return value;
    }
    ScratchSettingsStore scratch_{true};
    uint32_t handle_ = 0;
};

TEST_P(AnalogCancel, CancelAfterDefaultRestoresLevelPresetAndGainMode) {
    int32_t ok = 0;
    const bool level = Ovilux_SetFilterValue(handle_, OVILUX_FILTER_BLACK_LEVEL, 0x34) == 1;
    const bool preset = Ovilux_SetFilterValue(handle_, OVILUX_FILTER_PRESET, 1) == 1;
    ASSERT_EQ(Ovilux_SetFilterValue(handle_, OVILUX_FILTER_GAIN_MODE, 1), 1);
    ASSERT_TRUE(level || preset) << "the product has neither a level nor a preset";
    uint8_t gainModeWhileOpen = 0xFF;
    int32_t presetWhileOpen = -1;
    int32_t levelWhileOpen = -1;
    {
        DialogDriver driver([&](HWND frame) {
            if (PageWith(frame, kGlobalEdit) == nullptr) return;
            Click(frame, kDefault);
            gainModeWhileOpen = Fpga(0x80) & 1;
            presetWhileOpen = Ovilux_GetFilterValue(handle_, OVILUX_FILTER_PRESET, nullptr);
            levelWhileOpen = Ovilux_GetFilterValue(handle_, OVILUX_FILTER_BLACK_LEVEL, nullptr);
            Click(frame, IDCANCEL);
        });
        ASSERT_EQ(Ovilux_SetAnalogDlg(handle_, nullptr), 1);
    }
    EXPECT_EQ(gainModeWhileOpen, 0) << "Default sends gain mode 0";
    EXPECT_EQ(Fpga(0x80) & 1, 1) << "the gain mode is back";
    EXPECT_EQ(Ovilux_GetFilterValue(handle_, OVILUX_FILTER_GAIN_MODE, &ok), 1);
    if (level) {
        EXPECT_EQ(levelWhileOpen, 0) << "Default sends the default level";
        EXPECT_EQ(Ovilux_GetFilterValue(handle_, OVILUX_FILTER_BLACK_LEVEL, &ok), 0x34) << "the black level is back";
        EXPECT_EQ(Fpga(0xA2), 0x34) << "and on the camera";
    }
    if (preset) {
        EXPECT_EQ(presetWhileOpen, 0) << "Default turns the preset off";
        EXPECT_EQ(Ovilux_GetFilterValue(handle_, OVILUX_FILTER_PRESET, &ok), 1) << "the preset is back";
    }
}

// 0x32D0 has the level and the gain mode, 0x32C0 the preset and the gain mode.
INSTANTIATE_TEST_SUITE_P(Products, AnalogCancel, testing::Values(uint16_t{0x32D0}, uint16_t{0x32C0}));

TEST_F(Dialogs, FormatCustomSizeAppliedIsTheSessionsWindowAfterOk) {
    std::wstring caption;
    int sizes = 0;
    {
        DialogDriver driver([&](HWND dialog) {
            if (GetDlgItem(dialog, kSize) == nullptr) return;
            caption = Caption(dialog);
            SaveShot(dialog, "camera-format");
            sizes = static_cast<int>(SendDlgItemMessageW(dialog, kSize, CB_GETCOUNT, 0, 0));
            ChooseItem(dialog, kSize, sizes - 1);  // "Custom"
            TypeInt(dialog, kHEffective, 1280);
            TypeInt(dialog, kVEffective, 960);
            ChooseItem(dialog, kColour, 0);
            Click(dialog, kApply);
            Click(dialog, IDOK);
        });
        ASSERT_EQ(Ovilux_SetCameraDlg(handle_, nullptr), 1);
    }
    EXPECT_EQ(caption, Expected(L"Camera Format", L"カメラフォーマット"));
    EXPECT_GE(sizes, 2);
    EXPECT_EQ(Ovilux_Width(handle_), 1280);
    EXPECT_EQ(Ovilux_Height(handle_), 960);
    EXPECT_EQ(Ovilux_GetColorMode(handle_), 8);
}

// The run under a Japanese locale must really see a Japanese system, or its captions prove nothing.
TEST(DialogLanguage, SystemLanguageIsTheOneTheRunAskedFor) {
    const char* expected = std::getenv("OVILUX_EXPECT_LANGID");
    EXPECT_EQ(GetSystemDefaultLangID(), expected != nullptr ? std::atoi(expected) : GetSystemDefaultLangID());
}

TEST_F(Dialogs, OwnerWindowThatIsGoneIsRefused) {
    HWND gone = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    for (auto show : {Ovilux_SetCameraDlg, Ovilux_SetAnalogDlg, Ovilux_SetImageDlg}) {
        EXPECT_EQ(show(handle_, gone), 0);
        EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_BAD_ARGUMENT);
    }
}

}  // namespace
}  // namespace ovilux::test
