// NoPropertyDialogs.cpp - the property dialogs are Windows dialogs; here they are not offered.
#include "dialogs/PropertyDialogs.h"
#include "session/Ovilux.h"
#include "session/SessionConstants.h"

namespace ovilux::dialogs {

namespace {

int32_t NotOffered(session::COvilux& session) {
    session.RecordError(session::code::kNotSupported);
    return 0;
}

}  // namespace

int32_t ShowCameraDialog(session::COvilux& session, platform::WindowHandle) { return NotOffered(session); }
int32_t ShowAnalogDialog(session::COvilux& session, platform::WindowHandle) { return NotOffered(session); }
int32_t ShowImageDialog(session::COvilux& session, platform::WindowHandle) { return NotOffered(session); }

}  // namespace ovilux::dialogs
