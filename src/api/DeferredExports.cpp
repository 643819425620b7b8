// DeferredExports.cpp - exports whose subsystem (the property dialogs) is not in this build: each refuses with code 11
// ("not supported") so that an application can tell, instead of seeing a silent success.
#include "OviluxSdk.h"
#include "api/Dispatch.h"
#include "session/SessionConstants.h"

using ovilux::api::Dispatch;
using ovilux::api::kFailure;
using ovilux::session::COvilux;

namespace {

int32_t NotBuilt(uint32_t handle) {
    return Dispatch(handle, kFailure, [](COvilux& s) {
        s.RecordError(ovilux::session::code::kNotSupported);
        return 0;
    });
}

}  // namespace

extern "C" int32_t Ovilux_SetCameraDlg(uint32_t handle, OVILUX_HWND) { return NotBuilt(handle); }
extern "C" int32_t Ovilux_SetAnalogDlg(uint32_t handle, OVILUX_HWND) { return NotBuilt(handle); }
extern "C" int32_t Ovilux_SetImageDlg(uint32_t handle, OVILUX_HWND) { return NotBuilt(handle); }
