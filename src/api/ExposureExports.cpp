// ExposureExports.cpp - exposure in seconds and in microseconds.
#include "OviluxSdk.h"
#include "api/Dispatch.h"

using ovilux::api::Dispatch;
using ovilux::api::kFailure;
using ovilux::api::kFailureDouble;
using ovilux::session::COvilux;

extern "C" int32_t Ovilux_SetExposureTimeEx(uint32_t handle, double seconds) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.SetExposureTimeEx(seconds); });
}

extern "C" double Ovilux_GetExposureTimeEx(uint32_t handle, int32_t* ok) {
    return Dispatch(handle, kFailureDouble, [&](COvilux& s) { return s.GetExposureTimeEx(ok); });
}

extern "C" int32_t Ovilux_SetRealExposureTime(uint32_t handle, int32_t microseconds) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.SetRealExposureTime(microseconds); });
}

extern "C" int32_t Ovilux_GetRealExposureTime(uint32_t handle, int32_t* ok) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.GetRealExposureTime(ok); });
}

extern "C" int32_t Ovilux_SetAutoIris(uint32_t handle, int32_t mode) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.SetAutoIris(mode); });
}

extern "C" int32_t Ovilux_GetAutoIris(uint32_t handle, int32_t* ok) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.GetAutoIris(ok); });
}
