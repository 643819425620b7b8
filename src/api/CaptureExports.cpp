// CaptureExports.cpp - live view, single frames, the wait time.
#include <cstddef>

#include "OviluxSdk.h"
#include "api/Dispatch.h"

using ovilux::api::Dispatch;
using ovilux::api::kFailure;
using ovilux::api::kFailureNegative;
using ovilux::session::COvilux;
using ovilux::session::FrameInformation;

// The session fills the record the frame messages point to; its layout is the public one.
static_assert(sizeof(FrameInformation) == sizeof(OviluxFrameInfo), "frame record size");
static_assert(offsetof(FrameInformation, width) == offsetof(OviluxFrameInfo, width), "frame record width");
static_assert(offsetof(FrameInformation, height) == offsetof(OviluxFrameInfo, height), "frame record height");
static_assert(offsetof(FrameInformation, bitsPerPixel) == offsetof(OviluxFrameInfo, bitsPerPixel), "frame record bits");
static_assert(offsetof(FrameInformation, frameRateX10) == offsetof(OviluxFrameInfo, frameRateX10), "frame record rate");
static_assert(offsetof(FrameInformation, buffer) == offsetof(OviluxFrameInfo, buffer), "frame record buffer");

extern "C" int32_t Ovilux_Preview(uint32_t handle) {
    return Dispatch(handle, kFailure, [](COvilux& s) { return s.Preview(); });
}

extern "C" int32_t Ovilux_CallBackPreview(uint32_t handle, OVILUX_HWND callbackWindow, void* buffer, int32_t size,
                                          int32_t rowOrder) {
    return Dispatch(handle, kFailure,
                    [&](COvilux& s) { return s.CallBackPreview(callbackWindow, buffer, size, rowOrder); });
}

extern "C" int32_t Ovilux_StartPreview(uint32_t handle) {
    return Dispatch(handle, kFailure, [](COvilux& s) { return s.StartPreview(); });
}

extern "C" int32_t Ovilux_StopPreview(uint32_t handle) {
    return Dispatch(handle, kFailure, [](COvilux& s) { return s.StopPreview(); });
}

extern "C" int32_t Ovilux_Capture(uint32_t handle) {
    return Dispatch(handle, kFailure, [](COvilux& s) { return s.Capture(); });
}

extern "C" int32_t Ovilux_SnapShot(uint32_t handle, void* buffer, int32_t size, int32_t rowOrder) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.SnapShot(buffer, size, rowOrder); });
}

extern "C" int32_t Ovilux_GetImage(uint32_t handle, void* buffer, int32_t size, int32_t rowOrder) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.GetImage(buffer, size, rowOrder); });
}

extern "C" int32_t Ovilux_SetWaitTime(uint32_t handle, int32_t milliseconds) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.SetWaitTime(milliseconds); });
}

extern "C" int32_t Ovilux_GetWaitTime(uint32_t handle) {
    return Dispatch(handle, kFailureNegative, [](COvilux& s) { return s.GetWaitTime(); });
}
