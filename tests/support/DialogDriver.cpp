// DialogDriver.cpp - finding, driving and closing this process's dialogs from a test thread.
#ifdef _WIN32

#include "support/DialogDriver.h"

#include <commctrl.h>

namespace ovilux::test {

namespace {

constexpr unsigned kPollMs = 20;

BOOL CALLBACK FindOwnDialog(HWND window, LPARAM found) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) && wcscmp(name, L"#32770") == 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

struct PageSearch {
    int id;
    HWND page;
};

BOOL CALLBACK FindPage(HWND child, LPARAM search) {
    auto* s = reinterpret_cast<PageSearch*>(search);
    if (GetDlgItem(child, s->id) != nullptr) {
        s->page = child;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND WaitForDialog(unsigned timeoutMs) {
    for (unsigned waited = 0;; waited += kPollMs) {
        HWND found = nullptr;
        EnumWindows(FindOwnDialog, reinterpret_cast<LPARAM>(&found));
        if (found != nullptr || waited >= timeoutMs) {
            return found;
        }
        Sleep(kPollMs);
    }
}

HWND PageWith(HWND frame, int controlId) {
    if (GetDlgItem(frame, controlId) != nullptr) {
        return frame;
    }
    PageSearch search{controlId, nullptr};
    EnumChildWindows(frame, FindPage, reinterpret_cast<LPARAM>(&search));
    return search.page;
}

void Click(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void TypeInt(HWND dialog, int id, int value) { SetDlgItemInt(dialog, id, static_cast<UINT>(value), TRUE); }

void DragBar(HWND dialog, int id, int position) {
    HWND bar = GetDlgItem(dialog, id);
    SendMessageW(bar, TBM_SETPOS, TRUE, position);
    SendMessageW(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position), reinterpret_cast<LPARAM>(bar));
}

void ChooseItem(HWND dialog, int comboId, int index) {
    HWND combo = GetDlgItem(dialog, comboId);
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

DialogDriver::DialogDriver(std::function<void(HWND)> script) : script_(std::move(script)) {
    thread_ = std::thread([this] {
        while (!stop_) {
            HWND dialog = WaitForDialog(kPollMs);
            if (dialog == nullptr) {
                continue;
            }
            if (script_) {
                script_(dialog);
            }
            if (IsWindow(dialog)) {
                PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
                // Wait for it to go, so the next round does not find it again.
                for (int i = 0; i < 250 && IsWindow(dialog) && IsWindowVisible(dialog); ++i) {
                    Sleep(kPollMs);
                }
            }
        }
    });
}

DialogDriver::~DialogDriver() {
    stop_ = true;
    thread_.join();
}

}  // namespace ovilux::test

#endif
