// DialogSupport.h - what every property dialog window shares: the library's own resources in
// the system's language, common controls, the owner-drawn tab, pages inside it, and the
// trackbar-edit-up-down rows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "dialogs/SliderRow.h"

namespace ovilux::session {
class COvilux;
}

namespace ovilux::dialogs::win32 {

// The module the dialog resources are in: this library, wherever it was loaded from.
HINSTANCE LibraryModule();
// The Japanese template or string on a Japanese system, else the English one.
int32_t LocalTemplate(int32_t english, int32_t japanese);
std::wstring LocalText(int32_t index);
std::wstring Utf16(const std::string& utf8);
std::string Utf8(const std::wstring& utf16);
// Registers the tab, trackbar and up-down classes once per process.
bool EnsureCommonControls();

// The frame's tab control: a tab per caption, drawn on the button face, caption centred.
void AddTab(HWND frame, int32_t textIndex);
bool DrawOwnerTab(const DRAWITEMSTRUCT& item);
// A page dialog placed in the tab's display area.
HWND CreatePage(HWND frame, int32_t templateId, DLGPROC proc, LPARAM state);

// One numeric row: the trackbar, the edit and the up-down bound to it.
struct RowIds {
    int32_t bar;
    int32_t edit;
    int32_t spin;
};
void SetupRow(HWND page, const RowIds& ids, const SliderRow& range, int32_t value);
void EnableRow(HWND page, const RowIds& ids, bool enabled);
void MoveBar(HWND page, const RowIds& ids, int32_t value);
void SetInt(HWND dialog, int32_t id, int32_t value);
std::optional<int32_t> GetInt(HWND dialog, int32_t id);
std::wstring GetText(HWND dialog, int32_t id);
// Whether a dialog may open for the session: its camera is there (else code 2 is recorded) and
// the owner, when given, is still a window (else code 9). Initialises the common controls.
bool MayOpenDialog(session::COvilux& session, HWND owner);
// What the export returns once the modal dialog has ended: 1, or 0 with code 11 recorded when
// no dialog window could be made.
int32_t DialogOutcome(session::COvilux& session, INT_PTR result);

// A trackbar's position after a scroll message from it.
int32_t BarPosition(HWND bar);

// The state object a dialog procedure was given in WM_INITDIALOG.
template <typename State>
State* StateOf(HWND dialog, UINT message, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    }
    return reinterpret_cast<State*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

}  // namespace ovilux::dialogs::win32
