// Version.cpp - the version code of the library.
#include "OviluxSdk.h"

namespace {

// The version of the SDK interface; the high half names the camera model.
constexpr uint32_t kInterfaceVersion = 0x0520;

}  // namespace

extern "C" uint32_t Ovilux_GetDllVersion(void) {
    return (static_cast<uint32_t>(OVILUX_MODEL_NUMBER) << 16) | kInterfaceVersion;
}
