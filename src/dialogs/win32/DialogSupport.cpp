// DialogSupport.cpp - resources, common controls, tabs, pages and rows of the dialog windows.
#include "dialogs/win32/DialogSupport.h"

#include <commctrl.h>

#include <vector>

#include "dialogs/win32/DialogIds.h"
#include "platform/SystemLanguage.h"
#include "session/Ovilux.h"
#include "session/SessionConstants.h"

namespace ovilux::dialogs::win32 {

namespace {

bool Japanese() { return platform::SystemDefaultLangId() == platform::kLangJapanese; }

}  // namespace

HINSTANCE LibraryModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&LibraryModule), &module);
    return module;
}

int32_t LocalTemplate(int32_t english, int32_t japanese) { return Japanese() ? japanese : english; }

std::wstring LocalText(int32_t index) {
    const wchar_t* text = nullptr;
    // With a zero length LoadStringW hands out the resource's own read-only text.
    const int length = LoadStringW(LibraryModule(), static_cast<UINT>((Japanese() ? IDS_JAPANESE : IDS_ENGLISH) + index),
                                   reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

std::wstring Utf16(const std::string& utf8) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0) {
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), length);
    }
    return text;
}

std::string Utf8(const std::wstring& utf16) {
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(length > 0 ? length : 0), '\0');
    if (length > 0) {
        WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), text.data(), length, nullptr,
                            nullptr);
    }
    return text;
}

bool EnsureCommonControls() {
    static const bool registered = [] {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS};
        return InitCommonControlsEx(&controls) != FALSE;
    }();
    return registered;
}

void AddTab(HWND frame, int32_t textIndex) {
    HWND tab = GetDlgItem(frame, IDC_TAB);
    std::wstring caption = LocalText(textIndex);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = caption.data();
    const LRESULT count = SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0);
    SendMessageW(tab, TCM_INSERTITEMW, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(&item));
}

bool DrawOwnerTab(const DRAWITEMSTRUCT& item) {
    if (item.CtlID != IDC_TAB) {
        return false;
    }
    wchar_t caption[128] = {};
    TCITEMW tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = caption;
    tab.cchTextMax = static_cast<int>(std::size(caption));
    SendMessageW(item.hwndItem, TCM_GETITEMW, item.itemID, reinterpret_cast<LPARAM>(&tab));
    RECT area = item.rcItem;
    FillRect(item.hDC, &area, GetSysColorBrush(COLOR_BTNFACE));
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor(COLOR_BTNTEXT));
    DrawTextW(item.hDC, caption, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    return true;
}

HWND CreatePage(HWND frame, int32_t templateId, DLGPROC proc, LPARAM state) {
    HWND page = CreateDialogParamW(LibraryModule(), MAKEINTRESOURCEW(templateId), frame, proc, state);
    if (page == nullptr) {
        return nullptr;
    }
    HWND tab = GetDlgItem(frame, IDC_TAB);
    RECT area{};
    GetClientRect(tab, &area);
    SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    MapWindowPoints(tab, frame, reinterpret_cast<POINT*>(&area), 2);
    SetWindowPos(page, HWND_TOP, area.left, area.top, area.right - area.left, area.bottom - area.top, 0);
    return page;
}

void SetupRow(HWND page, const RowIds& ids, const SliderRow& range, int32_t value) {
    HWND bar = GetDlgItem(page, ids.bar);
    SendMessageW(bar, TBM_SETRANGEMIN, FALSE, range.minimum);
    SendMessageW(bar, TBM_SETRANGEMAX, FALSE, range.maximum);
    SendMessageW(bar, TBM_SETTICFREQ, static_cast<WPARAM>(range.tickFrequency), 0);
    SendMessageW(bar, TBM_SETPOS, TRUE, value);
    SendDlgItemMessageW(page, ids.spin, UDM_SETRANGE32, static_cast<WPARAM>(range.minimum), range.maximum);
    SetInt(page, ids.edit, value);
}

void EnableRow(HWND page, const RowIds& ids, bool enabled) {
    for (int32_t id : {ids.bar, ids.edit, ids.spin}) {
        EnableWindow(GetDlgItem(page, id), enabled ? TRUE : FALSE);
    }
}

void MoveBar(HWND page, const RowIds& ids, int32_t value) {
    SendDlgItemMessageW(page, ids.bar, TBM_SETPOS, TRUE, value);
}

void SetInt(HWND dialog, int32_t id, int32_t value) { SetDlgItemInt(dialog, id, static_cast<UINT>(value), TRUE); }

std::optional<int32_t> GetInt(HWND dialog, int32_t id) {
    BOOL ok = FALSE;
    const auto value = static_cast<int32_t>(GetDlgItemInt(dialog, id, &ok, TRUE));
    return ok ? std::optional<int32_t>(value) : std::nullopt;
}

std::wstring GetText(HWND dialog, int32_t id) {
    HWND control = GetDlgItem(dialog, id);
    std::vector<wchar_t> text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1);
    GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
    return text.data();
}

int32_t BarPosition(HWND bar) { return static_cast<int32_t>(SendMessageW(bar, TBM_GETPOS, 0, 0)); }

bool MayOpenDialog(session::COvilux& session, HWND owner) {
    if (session.Camera() == nullptr) {
        session.RecordError(session::code::kNoCamera);
        return false;
    }
    if (owner != nullptr && !IsWindow(owner)) {
        session.RecordError(session::code::kBadArgument);  // an owner window that is gone
        return false;
    }
    EnsureCommonControls();
    return true;
}

int32_t DialogOutcome(session::COvilux& session, INT_PTR result) {
    if (result <= 0) {
        session.RecordError(session::code::kNotSupported);  // no window could be made
        return 0;
    }
    return 1;
}

}  // namespace ovilux::dialogs::win32
