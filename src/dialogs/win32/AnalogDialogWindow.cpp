// AnalogDialogWindow.cpp - the analog dialog: a frame with one tab and the analog page, bound
// to the analog logic; auto iris writes its changes into the page while it is open.
#include <windows.h>
#include <commctrl.h>

#include "dialogs/AnalogDialogLogic.h"
#include "dialogs/PropertyDialogs.h"
#include "dialogs/win32/DialogIds.h"
#include "dialogs/win32/DialogSupport.h"
#include "session/Ovilux.h"
#include "session/SessionConstants.h"

namespace ovilux::dialogs {

namespace {

using namespace win32;

constexpr UINT kGainFromAutoIris = WM_APP + 1;
constexpr UINT kExposureFromAutoIris = WM_APP + 2;

constexpr RowIds kRows[kAnalogRowCount] = {
    {IDC_GLOBAL_BAR, IDC_GLOBAL_EDIT, IDC_GLOBAL_SPIN}, {IDC_G1_BAR, IDC_G1_EDIT, IDC_G1_SPIN},
    {IDC_R_BAR, IDC_R_EDIT, IDC_R_SPIN},                {IDC_B_BAR, IDC_B_EDIT, IDC_B_SPIN},
    {IDC_G2_BAR, IDC_G2_EDIT, IDC_G2_SPIN},             {IDC_EXPOSURE_BAR, IDC_EXPOSURE_EDIT, IDC_EXPOSURE_SPIN},
};

struct AnalogWindow : session::CDialogRefresh {
    explicit AnalogWindow(session::COvilux& s) : session(s), logic(s) {}

    // From the frame-converting thread: only post, the page's thread does the rest.
    void GlobalGainChanged(int32_t value) override { PostMessageW(page, kGainFromAutoIris, 0, value); }
    void ExposureChanged(int32_t value) override { PostMessageW(page, kExposureFromAutoIris, 0, value); }
    void BayerGainsChanged() override {}
    void GrayGainsChanged() override {}

    session::COvilux& session;
    CAnalogDialogLogic logic;
    HWND page = nullptr;
    bool initialised = false;
    bool programmatic = false;
};

void ShowSeconds(AnalogWindow& w) {
    w.programmatic = true;
    SetDlgItemTextW(w.page, IDC_SECONDS_EDIT, Utf16(w.logic.SecondsText()).c_str());
    w.programmatic = false;
}

void ShowMilliseconds(AnalogWindow& w) {
    if (!w.logic.TakesSeconds()) {
        SetDlgItemTextW(w.page, IDC_MILLISECONDS, Utf16(w.logic.MillisecondsText()).c_str());
    }
}

void FillPage(AnalogWindow& w) {
    HWND page = w.page;
    for (int32_t row = 0; row < kAnalogRowCount; ++row) {
        const auto which = static_cast<AnalogRow>(row);
        SetupRow(page, kRows[row], w.logic.Range(which), w.logic.Value(which));
    }
    CheckDlgButton(page, IDC_MIRROR_V, w.logic.MirrorV() ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(page, IDC_MIRROR_H, w.logic.MirrorH() ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(page, IDC_IRIS_GAIN, w.logic.AutoIrisGainChecked() ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(page, IDC_IRIS_EXPOSURE, w.logic.AutoIrisExposureChecked() ? BST_CHECKED : BST_UNCHECKED);
    if (w.logic.TakesSeconds()) {
        SetDlgItemTextW(page, IDC_SECONDS_RANGE, Utf16(w.logic.RangeText()).c_str());
        ShowSeconds(w);
    }
}

void InitialisePage(AnalogWindow& w) {
    HWND page = w.page;
    const bool seconds = w.logic.TakesSeconds();
    for (int32_t id : {IDC_EXPOSURE_BAR, IDC_EXPOSURE_EDIT, IDC_EXPOSURE_SPIN, IDC_EXPOSURE_LABEL, IDC_MILLISECONDS}) {
        ShowWindow(GetDlgItem(page, id), seconds ? SW_HIDE : SW_SHOW);
    }
    for (int32_t id : {IDC_SECONDS_LABEL, IDC_SECONDS_EDIT, IDC_SECONDS_UNIT, IDC_SECONDS_RANGE}) {
        ShowWindow(GetDlgItem(page, id), seconds ? SW_SHOW : SW_HIDE);
    }
    for (ExposureUnit unit : w.logic.Units()) {
        const LRESULT at = SendDlgItemMessageW(page, IDC_SECONDS_UNIT, CB_ADDSTRING, 0,
                                               reinterpret_cast<LPARAM>(Utf16(UnitName(unit)).c_str()));
        SendDlgItemMessageW(page, IDC_SECONDS_UNIT, CB_SETITEMDATA, static_cast<WPARAM>(at), unit);
        if (unit == w.logic.ChosenUnit()) {
            SendDlgItemMessageW(page, IDC_SECONDS_UNIT, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
        }
    }
    FillPage(w);
    w.initialised = true;
}

int32_t RowOfEdit(int32_t id) {
    for (int32_t row = 0; row < kAnalogRowCount; ++row) {
        if (kRows[row].edit == id) return row;
    }
    return -1;
}

int32_t RowOfBar(int32_t id) {
    for (int32_t row = 0; row < kAnalogRowCount; ++row) {
        if (kRows[row].bar == id) return row;
    }
    return -1;
}

void EditChanged(AnalogWindow& w, int32_t row) {
    const std::optional<int32_t> value = GetInt(w.page, kRows[row].edit);
    if (!value) {
        return;
    }
    const auto which = static_cast<AnalogRow>(row);
    w.logic.SetValue(which, *value, w.programmatic);
    MoveBar(w.page, kRows[row], *value);
    if (which == AnalogRow::GlobalGain) {
        for (int32_t colour = 1; colour <= 4; ++colour) {
            SetInt(w.page, kRows[colour].edit, *value);
        }
    } else if (which == AnalogRow::Exposure && !w.programmatic) {
        ShowMilliseconds(w);
    }
}

void Command(AnalogWindow& w, int32_t id, int32_t code) {
    if (!w.initialised) {
        return;
    }
    const int32_t row = RowOfEdit(id);
    if (row >= 0 && code == EN_CHANGE) {
        EditChanged(w, row);
        return;
    }
    const bool checked = IsDlgButtonChecked(w.page, id) == BST_CHECKED;
    switch (id) {
        case IDC_MIRROR_V: w.logic.SetMirrorV(checked); break;
        case IDC_MIRROR_H: w.logic.SetMirrorH(checked); break;
        case IDC_IRIS_GAIN:
            w.logic.CheckAutoIrisGain(checked);
            if (checked) CheckDlgButton(w.page, IDC_IRIS_EXPOSURE, BST_UNCHECKED);
            break;
        case IDC_IRIS_EXPOSURE:
            w.logic.CheckAutoIrisExposure(checked);
            if (checked) CheckDlgButton(w.page, IDC_IRIS_GAIN, BST_UNCHECKED);
            break;
        case IDC_SECONDS_UNIT:
            if (code == CBN_SELCHANGE) {
                const LRESULT at = SendDlgItemMessageW(w.page, IDC_SECONDS_UNIT, CB_GETCURSEL, 0, 0);
                w.logic.ChooseUnit(static_cast<ExposureUnit>(
                    SendDlgItemMessageW(w.page, IDC_SECONDS_UNIT, CB_GETITEMDATA, static_cast<WPARAM>(at), 0)));
                ShowSeconds(w);
            }
            break;
        case IDC_SECONDS_EDIT:
            if (code == EN_CHANGE && !w.programmatic &&
                w.logic.SetSecondsText(Utf8(GetText(w.page, IDC_SECONDS_EDIT)))) {
                w.programmatic = true;
                SetInt(w.page, kRows[5].edit, w.logic.Value(AnalogRow::Exposure));
                w.programmatic = false;
            }
            break;
        default: break;
    }
}

INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    AnalogWindow* w = StateOf<AnalogWindow>(page, message, lParam);
    if (w == nullptr) {
        return FALSE;
    }
    switch (message) {
        case WM_INITDIALOG:
            w->page = page;
            InitialisePage(*w);
            return TRUE;
        case WM_HSCROLL:
            if (const int32_t row = RowOfBar(GetDlgCtrlID(reinterpret_cast<HWND>(lParam))); row >= 0) {
                SetInt(page, kRows[row].edit, BarPosition(reinterpret_cast<HWND>(lParam)));
            }
            return TRUE;
        case WM_COMMAND: Command(*w, LOWORD(wParam), HIWORD(wParam)); return TRUE;
        case kGainFromAutoIris: SetInt(page, kRows[0].edit, static_cast<int32_t>(lParam)); return TRUE;
        case kExposureFromAutoIris:
            w->programmatic = true;
            SetInt(page, kRows[5].edit, static_cast<int32_t>(lParam));
            w->programmatic = false;
            ShowMilliseconds(*w);
            return TRUE;
        default: return FALSE;
    }
}

INT_PTR CALLBACK FrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
    AnalogWindow* w = StateOf<AnalogWindow>(frame, message, lParam);
    if (w == nullptr) {
        return FALSE;
    }
    switch (message) {
        case WM_INITDIALOG:
            AddTab(frame, IDS_TAB_ANALOG);
            if (CreatePage(frame, LocalTemplate(IDD_ANALOG_PAGE_EN, IDD_ANALOG_PAGE_JA), PageProc, lParam) == nullptr) {
                EndDialog(frame, IDCANCEL);
                return TRUE;
            }
            ShowWindow(w->page, SW_SHOW);
            w->session.SetDialogRefresh(w);
            return TRUE;
        case WM_DRAWITEM: return DrawOwnerTab(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)) ? TRUE : FALSE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                case IDCANCEL:
                    w->session.SetDialogRefresh(nullptr);
                    EndDialog(frame, LOWORD(wParam));
                    return TRUE;
                case IDC_DEFAULT:
                    w->logic.Default();
                    w->initialised = false;
                    FillPage(*w);
                    ShowMilliseconds(*w);
                    w->initialised = true;
                    return TRUE;
                default: return FALSE;
            }
        default: return FALSE;
    }
}

}  // namespace

int32_t ShowAnalogDialog(session::COvilux& session, platform::WindowHandle owner) {
    if (!MayOpenDialog(session, static_cast<HWND>(owner))) {
        return 0;
    }
    AnalogWindow window(session);
    const INT_PTR result =
        DialogBoxParamW(LibraryModule(), MAKEINTRESOURCEW(LocalTemplate(IDD_ANALOG_FRAME_EN, IDD_ANALOG_FRAME_JA)),
                        static_cast<HWND>(owner), FrameProc, reinterpret_cast<LPARAM>(&window));
    // Whatever ended the dialog, no frame may tell it anything any more.
    session.SetDialogRefresh(nullptr);
    window.logic.Finish(result == IDOK);
    return DialogOutcome(session, result);
}

}  // namespace ovilux::dialogs
