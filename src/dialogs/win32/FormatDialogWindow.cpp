// FormatDialogWindow.cpp - the camera format dialog: colour mode, size presets with "Custom",
// sub-sampling, wait time and the fixed clock, bound to the format logic; capture is stopped
// while it is open.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>

#include "dialogs/FormatDialogLogic.h"
#include "dialogs/PropertyDialogs.h"
#include "dialogs/win32/DialogIds.h"
#include "dialogs/win32/DialogSupport.h"
#include "session/Ovilux.h"
#include "session/SessionConstants.h"

namespace ovilux::dialogs {

namespace {

using namespace win32;

constexpr int32_t kEditIds[kSizeEditCount] = {IDC_H_TOTAL, IDC_V_TOTAL, IDC_H_EFFECTIVE,
                                             IDC_V_EFFECTIVE, IDC_H_START, IDC_V_START};
constexpr int32_t kColourNames = 6;
constexpr int32_t kSixteenBitShownDepth = 12;
constexpr int32_t kHighClockMHz = 48;

struct FormatWindow {
    FormatWindow(int32_t device, bool widthFree, bool heightFree) : logic(device, widthFree, heightFree) {}
    CFormatDialogLogic logic;
    platform::SettingsStore store;
    bool initialised = false;
};

// A list text with one number in it ("Monochrome %dbit *").
std::wstring WithNumber(int32_t textIndex, int32_t number) {
    wchar_t text[128];
    std::swprintf(text, std::size(text), LocalText(textIndex).c_str(), number);
    return text;
}

void AddItem(HWND dialog, int32_t id, const std::wstring& text) {
    SendDlgItemMessageW(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void FillSizes(HWND dialog, const CFormatDialogLogic& logic) {
    SendDlgItemMessageW(dialog, IDC_SIZE_LIST, CB_RESETCONTENT, 0, 0);
    for (const std::string& name : logic.PresetNames()) {
        AddItem(dialog, IDC_SIZE_LIST, Utf16(name));
    }
    AddItem(dialog, IDC_SIZE_LIST, LocalText(IDS_CUSTOM));
    SendDlgItemMessageW(dialog, IDC_SIZE_LIST, CB_SETCURSEL, static_cast<WPARAM>(logic.SelectedSize()), 0);
}

void ShowEdits(HWND dialog, const CFormatDialogLogic& logic) {
    for (int32_t i = 0; i < kSizeEditCount; ++i) {
        SetDlgItemInt(dialog, kEditIds[i], logic.Edit(static_cast<SizeEdit>(i)), FALSE);
    }
}

void Initialise(HWND dialog, FormatWindow& w) {
    CFormatDialogLogic& logic = w.logic;
    AddTab(dialog, IDS_TAB_FORMAT);
    logic.Load(w.store);
    for (int32_t code = 0; code < kColourNames; ++code) {
        AddItem(dialog, IDC_COLOUR, code == 1 ? WithNumber(IDS_MONO_N, kSixteenBitShownDepth) : LocalText(IDS_MONO8 + code));
    }
    SendDlgItemMessageW(dialog, IDC_COLOUR, CB_SETCURSEL, static_cast<WPARAM>(logic.ColourMode()), 0);
    for (int32_t code = 0; code < 3; ++code) {
        AddItem(dialog, IDC_SUBSAMPLE, LocalText(IDS_SUB_FULL + code));
    }
    SendDlgItemMessageW(dialog, IDC_SUBSAMPLE, CB_SETCURSEL, static_cast<WPARAM>(logic.SubSample()), 0);
    for (int32_t code = 0; code < 3; ++code) {
        AddItem(dialog, IDC_CLOCK, code == kShownClockEntry ? WithNumber(IDS_CLOCK_NORMAL + code, kHighClockMHz)
                                                           : LocalText(IDS_CLOCK_NORMAL + code));
    }
    SendDlgItemMessageW(dialog, IDC_CLOCK, CB_SETCURSEL, kShownClockEntry, 0);
    EnableWindow(GetDlgItem(dialog, IDC_CLOCK), FALSE);
    FillSizes(dialog, logic);
    ShowEdits(dialog, logic);
    SetDlgItemInt(dialog, IDC_WAIT_TIME, static_cast<UINT>(logic.WaitTime()), FALSE);
    for (int32_t id : {IDC_H_TOTAL, IDC_H_EFFECTIVE, IDC_H_START}) {
        EnableWindow(GetDlgItem(dialog, id), logic.WidthEditsEnabled() ? TRUE : FALSE);
    }
    for (int32_t id : {IDC_V_TOTAL, IDC_V_EFFECTIVE, IDC_V_START}) {
        EnableWindow(GetDlgItem(dialog, id), logic.HeightEditsEnabled() ? TRUE : FALSE);
    }
    EnableWindow(GetDlgItem(dialog, IDC_SIZE_LIST), logic.SizeListEnabled() ? TRUE : FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_APPLY), FALSE);
    w.initialised = true;
}

// OK and Apply: the controls into the logic, the logic into the store. False when the preset
// table is full (the user was told) or the store failed.
bool Apply(HWND dialog, FormatWindow& w) {
    CFormatDialogLogic& logic = w.logic;
    w.initialised = false;
    logic.SetColourMode(static_cast<int32_t>(SendDlgItemMessageW(dialog, IDC_COLOUR, CB_GETCURSEL, 0, 0)));
    logic.SetSubSample(static_cast<int32_t>(SendDlgItemMessageW(dialog, IDC_SUBSAMPLE, CB_GETCURSEL, 0, 0)));
    logic.SetWaitTime(GetDlgItemInt(dialog, IDC_WAIT_TIME, nullptr, FALSE));
    for (int32_t i = 0; i < kSizeEditCount; ++i) {
        logic.SetEdit(static_cast<SizeEdit>(i), GetDlgItemInt(dialog, kEditIds[i], nullptr, FALSE));
    }
    const ApplyResult result = logic.Apply(w.store);
    if (result == ApplyResult::PresetTableFull) {
        MessageBoxW(dialog, LocalText(IDS_TABLE_FULL).c_str(), nullptr, MB_OK | MB_ICONWARNING);
    }
    FillSizes(dialog, logic);
    EnableWindow(GetDlgItem(dialog, IDC_APPLY), logic.ApplyEnabled() ? TRUE : FALSE);
    w.initialised = true;
    return result == ApplyResult::Stored;
}

void Command(HWND dialog, FormatWindow& w, int32_t id, int32_t code) {
    if (!w.initialised) {
        return;
    }
    if (id == IDC_SIZE_LIST && code == CBN_SELCHANGE) {
        w.initialised = false;
        w.logic.SelectSize(static_cast<int32_t>(SendDlgItemMessageW(dialog, IDC_SIZE_LIST, CB_GETCURSEL, 0, 0)));
        ShowEdits(dialog, w.logic);
        w.initialised = true;
    }
    if (code == CBN_SELCHANGE || code == EN_CHANGE) {
        EnableWindow(GetDlgItem(dialog, IDC_APPLY), TRUE);
    }
}

INT_PTR CALLBACK FormatProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    FormatWindow* w = StateOf<FormatWindow>(dialog, message, lParam);
    if (w == nullptr) {
        return FALSE;
    }
    switch (message) {
        case WM_INITDIALOG: Initialise(dialog, *w); return TRUE;
        case WM_DRAWITEM: return DrawOwnerTab(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)) ? TRUE : FALSE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                    if (Apply(dialog, *w)) {
                        EndDialog(dialog, IDOK);
                    }
                    return TRUE;
                case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
                case IDC_APPLY: Apply(dialog, *w); return TRUE;
                default: Command(dialog, *w, LOWORD(wParam), HIWORD(wParam)); return TRUE;
            }
        default: return FALSE;
    }
}

}  // namespace

int32_t ShowCameraDialog(session::COvilux& session, platform::WindowHandle owner) {
    if (!MayOpenDialog(session, static_cast<HWND>(owner))) {
        return 0;
    }
    // The dialog shows and keeps the presets of the settings store, which a session on the
    // factory settings leaves alone.
    if (!session.UsesStore()) {
        session.RecordError(session::code::kNotSupported);
        return 0;
    }
    CFormatDialogRun run(session);
    FormatWindow window(session.SelectedDeviceNumber(), session.WidthFree(), session.HeightFree());
    const INT_PTR result = DialogBoxParamW(LibraryModule(), MAKEINTRESOURCEW(LocalTemplate(IDD_FORMAT_EN, IDD_FORMAT_JA)),
                                           static_cast<HWND>(owner), FormatProc, reinterpret_cast<LPARAM>(&window));
    run.Finish(result == IDOK);
    return DialogOutcome(session, result);
}

}  // namespace ovilux::dialogs
