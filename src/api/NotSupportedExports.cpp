// NotSupportedExports.cpp - exports kept for source compatibility with other cameras of the
// family; this camera has none of their features.
#include "OviluxSdk.h"
#include "api/Dispatch.h"
#include "api/ExportAlias.h"
#include "session/SessionConstants.h"

using ovilux::api::Dispatch;
using ovilux::api::kFailure;
using ovilux::session::COvilux;
namespace code = ovilux::session::code;

// The entry point of the seven frame-rate, trigger, clock, correction and crossbar exports:
// the code is posted but not stored.
extern "C" int32_t Ovilux_Fps(uint32_t handle, int32_t) {
    return Dispatch(handle, kFailure, [](COvilux& s) {
        s.PostCode(code::kNotSupported);
        return 0;
    });
}
OVILUX_EXPORT_ALIAS(Ovilux_Trigger, Ovilux_Fps)
OVILUX_EXPORT_ALIAS(Ovilux_GetHalfClock, Ovilux_Fps)
OVILUX_EXPORT_ALIAS(Ovilux_SetHalfClock, Ovilux_Fps)
OVILUX_EXPORT_ALIAS(Ovilux_GetInternalCorrection, Ovilux_Fps)
OVILUX_EXPORT_ALIAS(Ovilux_SetInternalCorrection, Ovilux_Fps)
OVILUX_EXPORT_ALIAS(Ovilux_SetCrossbar, Ovilux_Fps)

// The entry point of the text-channel exports, which only one other camera head has.
extern "C" int32_t Ovilux_SendText(uint32_t handle, char*, int32_t) {
    return Dispatch(handle, kFailure, [](COvilux& s) {
        s.RecordError(code::kNotSupported);
        return 0;
    });
}
OVILUX_EXPORT_ALIAS(Ovilux_ReceiveText, Ovilux_SendText)

namespace {

// The configuration filter belongs to other cameras: -1 with the code stored.
int32_t ConfigFilterNotSupported(uint32_t handle) {
    return Dispatch(handle, kFailure, [](COvilux& s) {
        s.RecordError(code::kNotSupported);
        return -1;
    });
}

}  // namespace

extern "C" int32_t Ovilux_GetConfigFilter(uint32_t handle) { return ConfigFilterNotSupported(handle); }

extern "C" int32_t Ovilux_SetConfigFilter(uint32_t handle) { return ConfigFilterNotSupported(handle); }
