// DialogExports.cpp - the three property dialogs, modal on the calling thread.
#include "OviluxSdk.h"
#include "api/Dispatch.h"
#include "dialogs/PropertyDialogs.h"

using ovilux::api::Dispatch;
using ovilux::api::kFailure;
using ovilux::session::COvilux;

extern "C" int32_t Ovilux_SetCameraDlg(uint32_t handle, OVILUX_HWND owner) {
    return Dispatch(handle, kFailure, [owner](COvilux& s) { return ovilux::dialogs::ShowCameraDialog(s, owner); });
}

extern "C" int32_t Ovilux_SetAnalogDlg(uint32_t handle, OVILUX_HWND owner) {
    return Dispatch(handle, kFailure, [owner](COvilux& s) { return ovilux::dialogs::ShowAnalogDialog(s, owner); });
}

extern "C" int32_t Ovilux_SetImageDlg(uint32_t handle, OVILUX_HWND owner) {
    return Dispatch(handle, kFailure, [owner](COvilux& s) { return ovilux::dialogs::ShowImageDialog(s, owner); });
}
