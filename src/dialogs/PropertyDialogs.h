// PropertyDialogs.h - the three modal property dialogs an application opens on a session. They
// are Windows dialogs; elsewhere each refuses with "not supported" (the same settings are in
// the settings store, the ovilux tool and the Python package).
#pragma once

#include <cstdint>

#include "platform/MessageWindow.h"

namespace ovilux::session {
class COvilux;
}

namespace ovilux::dialogs {

// Each returns 1 when the dialog has run (whether it ended with OK or Cancel), 0 with the
// session's code recorded when it could not be shown.
int32_t ShowCameraDialog(session::COvilux& session, platform::WindowHandle owner);
int32_t ShowAnalogDialog(session::COvilux& session, platform::WindowHandle owner);
int32_t ShowImageDialog(session::COvilux& session, platform::WindowHandle owner);

}  // namespace ovilux::dialogs
