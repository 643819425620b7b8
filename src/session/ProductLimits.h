// ProductLimits.h - the ranges of the camera the library is built for, without a camera at
// hand: what a settings text is checked against before it is stored.
#pragma once

#include "session/SettingsLayout.h"

namespace ovilux::session {

CameraLimits ProductLimits();

}  // namespace ovilux::session
