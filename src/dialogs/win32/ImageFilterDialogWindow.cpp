// ImageFilterDialogWindow.cpp - the image filter dialog: a frame with the image filter tab and,
// for monochrome modes, the gray filter tab, bound to their logic; white balance measurements
// and gray gain measurements refresh the pages while they are open.
#include <windows.h>
#include <commctrl.h>

#include "dialogs/GrayFilterPageLogic.h"
#include "dialogs/ImageFilterDialogLogic.h"
#include "dialogs/PropertyDialogs.h"
#include "dialogs/win32/DialogIds.h"
#include "dialogs/win32/DialogSupport.h"
#include "session/Ovilux.h"
#include "session/SessionConstants.h"

namespace ovilux::dialogs {

namespace {

using namespace win32;

constexpr UINT kGainsMeasured = WM_APP + 3;

constexpr RowIds kFilterRows[kFilterRowCount] = {
    {IDC_BRIGHTNESS_BAR, IDC_BRIGHTNESS_EDIT, IDC_BRIGHTNESS_SPIN}, {IDC_CONTRAST_BAR, IDC_CONTRAST_EDIT, IDC_CONTRAST_SPIN},
    {IDC_HUE_BAR, IDC_HUE_EDIT, IDC_HUE_SPIN},                      {IDC_SATURATION_BAR, IDC_SATURATION_EDIT, IDC_SATURATION_SPIN},
    {IDC_SHARPNESS_BAR, IDC_SHARPNESS_EDIT, IDC_SHARPNESS_SPIN},    {IDC_RGAIN_BAR, IDC_RGAIN_EDIT, IDC_RGAIN_SPIN},
    {IDC_GGAIN_BAR, IDC_GGAIN_EDIT, IDC_GGAIN_SPIN},                {IDC_BGAIN_BAR, IDC_BGAIN_EDIT, IDC_BGAIN_SPIN},
    {IDC_GAMMA_BAR, IDC_GAMMA_EDIT, IDC_GAMMA_SPIN},
};
constexpr int32_t kBayerRadios[] = {IDC_BAYER_0, IDC_BAYER_1, IDC_BAYER_2, IDC_BAYER_3};
constexpr int32_t kGrayModeRadios[] = {IDC_GRAY_BAYER, IDC_GRAY_CONVERT, IDC_GRAY_GRAYSCALE};

RowIds GrayRowIds(int32_t row) {
    const int32_t first = IDC_GRAY_FIRST + 3 * row;
    return RowIds{first, first + 1, first + 2};
}

struct ImageWindow : session::CDialogRefresh {
    explicit ImageWindow(session::COvilux& s) : session(s), logic(s), gray(s) {}
    void GlobalGainChanged(int32_t) override {}
    void ExposureChanged(int32_t) override {}
    void BayerGainsChanged() override { PostMessageW(imagePage, kGainsMeasured, 0, 0); }
    // The refill it asks for covers the gray page too.
    void GrayGainsChanged() override { PostMessageW(imagePage, kGainsMeasured, 0, 0); }

    session::COvilux& session;
    CImageFilterDialogLogic logic;
    CGrayFilterPageLogic gray;
    HWND imagePage = nullptr;
    HWND grayPage = nullptr;
    bool initialised = false;
};

// Which row an edit or a trackbar belongs to; -1 for none.
template <size_t N>
int32_t RowOf(const RowIds (&rows)[N], int32_t id, bool bar) {
    for (size_t row = 0; row < N; ++row) {
        if ((bar ? rows[row].bar : rows[row].edit) == id) return static_cast<int32_t>(row);
    }
    return -1;
}

void CheckRadio(HWND page, const int32_t* ids, size_t count, int32_t selected) {
    for (size_t i = 0; i < count; ++i) {
        CheckDlgButton(page, ids[i], static_cast<int32_t>(i) == selected ? BST_CHECKED : BST_UNCHECKED);
    }
}

void FillImagePage(ImageWindow& w) {
    HWND page = w.imagePage;
    for (int32_t row = 0; row < kFilterRowCount; ++row) {
        const auto which = static_cast<FilterRow>(row);
        SetupRow(page, kFilterRows[row], CImageFilterDialogLogic::Range(which), w.logic.Value(which));
        EnableRow(page, kFilterRows[row], w.logic.RowEnabled(which));
    }
    CheckRadio(page, kBayerRadios, std::size(kBayerRadios), w.logic.BayerMode());
    CheckDlgButton(page, IDC_ALL_FRAMES, w.logic.WhiteBalanceAllFrames() ? BST_CHECKED : BST_UNCHECKED);
    for (int32_t id : {IDC_ONCE, IDC_ALL_FRAMES}) {
        EnableWindow(GetDlgItem(page, id), w.logic.WhiteBalanceEnabled() ? TRUE : FALSE);
    }
    for (int32_t id : kBayerRadios) {
        EnableWindow(GetDlgItem(page, id), w.logic.BayerModeEnabled() ? TRUE : FALSE);
    }
}

void FillGrayPage(ImageWindow& w) {
    HWND page = w.grayPage;
    if (page == nullptr) {
        return;
    }
    for (int32_t row = 0; row < kGrayRowCount; ++row) {
        const auto which = static_cast<GrayRow>(row);
        SetupRow(page, GrayRowIds(row), CGrayFilterPageLogic::Range(which), w.gray.Value(which));
    }
    CheckRadio(page, kGrayModeRadios, std::size(kGrayModeRadios), w.gray.GrayMode());
    CheckRadio(page, kBayerRadios, std::size(kBayerRadios), w.gray.BayerMode());
    CheckDlgButton(page, IDC_ALL_FRAMES, w.gray.AutoGainAllFramesChecked() ? BST_CHECKED : BST_UNCHECKED);
}

void Refill(ImageWindow& w) {
    w.initialised = false;
    FillImagePage(w);
    FillGrayPage(w);
    w.initialised = true;
}

int32_t RadioIndex(const int32_t* ids, size_t count, int32_t id) {
    for (size_t i = 0; i < count; ++i) {
        if (ids[i] == id) return static_cast<int32_t>(i);
    }
    return -1;
}

void ImageCommand(ImageWindow& w, int32_t id, int32_t code) {
    if (const int32_t row = RowOf(kFilterRows, id, false); row >= 0 && code == EN_CHANGE) {
        if (const auto value = GetInt(w.imagePage, id)) {
            w.logic.SetValue(static_cast<FilterRow>(row), *value);
            MoveBar(w.imagePage, kFilterRows[row], *value);
        }
    } else if (const int32_t mode = RadioIndex(kBayerRadios, std::size(kBayerRadios), id); mode >= 0) {
        w.logic.SetBayerMode(mode);
    } else if (id == IDC_ONCE) {
        w.logic.PressWhiteBalanceOnce();
        CheckDlgButton(w.imagePage, IDC_ALL_FRAMES, BST_UNCHECKED);
    } else if (id == IDC_ALL_FRAMES) {
        w.logic.CheckWhiteBalanceAllFrames(IsDlgButtonChecked(w.imagePage, IDC_ALL_FRAMES) == BST_CHECKED);
    }
}

void GrayCommand(ImageWindow& w, int32_t id, int32_t code) {
    const int32_t row = id >= IDC_GRAY_FIRST ? (id - IDC_GRAY_FIRST) / 3 : -1;
    if (row >= 0 && row < kGrayRowCount && id == GrayRowIds(row).edit && code == EN_CHANGE) {
        if (const auto value = GetInt(w.grayPage, id)) {
            w.gray.SetValue(static_cast<GrayRow>(row), *value);
            MoveBar(w.grayPage, GrayRowIds(row), *value);
        }
    } else if (const int32_t mode = RadioIndex(kGrayModeRadios, std::size(kGrayModeRadios), id); mode >= 0) {
        w.gray.SetGrayMode(mode);
    } else if (const int32_t bayer = RadioIndex(kBayerRadios, std::size(kBayerRadios), id); bayer >= 0) {
        w.gray.SetBayerMode(bayer);
    } else if (id == IDC_ONCE) {
        w.gray.PressAutoGainOnce();
        CheckDlgButton(w.grayPage, IDC_ALL_FRAMES, BST_UNCHECKED);
    } else if (id == IDC_ALL_FRAMES) {
        // A plain check box: it shows whether every frame is measured, not merely that it was clicked.
        w.gray.ToggleAutoGainAllFrames();
        CheckDlgButton(w.grayPage, IDC_ALL_FRAMES, w.gray.AutoGainAllFramesChecked() ? BST_CHECKED : BST_UNCHECKED);
    }
}

void Scrolled(HWND page, HWND bar) {
    const int32_t id = GetDlgCtrlID(bar);
    // Every row's edit follows its trackbar by one id.
    SetInt(page, id + 1, BarPosition(bar));
}

template <bool Gray>
INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    ImageWindow* w = StateOf<ImageWindow>(page, message, lParam);
    if (w == nullptr) {
        return FALSE;
    }
    switch (message) {
        case WM_INITDIALOG:
            (Gray ? w->grayPage : w->imagePage) = page;
            return TRUE;
        case WM_HSCROLL: Scrolled(page, reinterpret_cast<HWND>(lParam)); return TRUE;
        case WM_COMMAND:
            if (w->initialised) {
                (Gray ? GrayCommand : ImageCommand)(*w, LOWORD(wParam), HIWORD(wParam));
            }
            return TRUE;
        case kGainsMeasured: Refill(*w); return TRUE;
        default: return FALSE;
    }
}

INT_PTR CALLBACK FrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
    ImageWindow* w = StateOf<ImageWindow>(frame, message, lParam);
    if (w == nullptr) {
        return FALSE;
    }
    switch (message) {
        case WM_INITDIALOG:
            AddTab(frame, IDS_TAB_IMAGE);
            if (CreatePage(frame, LocalTemplate(IDD_IMAGE_PAGE_EN, IDD_IMAGE_PAGE_JA), PageProc<false>, lParam) ==
                    nullptr ||
                (w->logic.HasGrayPage() &&
                 CreatePage(frame, LocalTemplate(IDD_GRAY_PAGE_EN, IDD_GRAY_PAGE_JA), PageProc<true>, lParam) ==
                     nullptr)) {
                EndDialog(frame, IDCANCEL);
                return TRUE;
            }
            if (w->logic.HasGrayPage()) {
                AddTab(frame, IDS_TAB_GRAY);
            }
            Refill(*w);
            ShowWindow(w->imagePage, SW_SHOW);
            w->session.SetDialogRefresh(w);
            return TRUE;
        case WM_DRAWITEM: return DrawOwnerTab(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)) ? TRUE : FALSE;
        case WM_NOTIFY:
            if (reinterpret_cast<const NMHDR*>(lParam)->code == TCN_SELCHANGE) {
                const bool gray = SendDlgItemMessageW(frame, IDC_TAB, TCM_GETCURSEL, 0, 0) == 1;
                ShowWindow(w->imagePage, gray ? SW_HIDE : SW_SHOW);
                if (w->grayPage != nullptr) ShowWindow(w->grayPage, gray ? SW_SHOW : SW_HIDE);
            }
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                case IDCANCEL:
                    w->session.SetDialogRefresh(nullptr);
                    EndDialog(frame, LOWORD(wParam));
                    return TRUE;
                case IDC_DEFAULT:
                    w->logic.Default();
                    Refill(*w);
                    return TRUE;
                default: return FALSE;
            }
        default: return FALSE;
    }
}

}  // namespace

int32_t ShowImageDialog(session::COvilux& session, platform::WindowHandle owner) {
    if (!MayOpenDialog(session, static_cast<HWND>(owner))) {
        return 0;
    }
    ImageWindow window(session);
    const INT_PTR result =
        DialogBoxParamW(LibraryModule(), MAKEINTRESOURCEW(LocalTemplate(IDD_IMAGE_FRAME_EN, IDD_IMAGE_FRAME_JA)),
                        static_cast<HWND>(owner), FrameProc, reinterpret_cast<LPARAM>(&window));
    session.SetDialogRefresh(nullptr);
    window.logic.Finish(result == IDOK);
    return DialogOutcome(session, result);
}

}  // namespace ovilux::dialogs
