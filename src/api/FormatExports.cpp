// FormatExports.cpp - capture window, colour mode, sub-sampling, mirroring, preview placement.
#include "OviluxSdk.h"
#include "api/Dispatch.h"
#include "api/ExportAlias.h"

using ovilux::api::Dispatch;
using ovilux::api::kFailure;
using ovilux::api::kFailureNegative;
using ovilux::session::COvilux;

extern "C" int32_t Ovilux_SetCaptureWindow(uint32_t handle, int32_t width, int32_t height) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.SetCaptureWindow(width, height); });
}

extern "C" int32_t Ovilux_SetCaptureWindowEx(uint32_t handle, int32_t hTotal, int32_t hStart, int32_t hEffective,
                                             int32_t vTotal, int32_t vStart, int32_t vEffective) {
    return Dispatch(handle, kFailure, [&](COvilux& s) {
        return s.SetCaptureWindowEx(hTotal, hStart, hEffective, vTotal, vStart, vEffective);
    });
}

extern "C" int32_t Ovilux_GetCaptureWindowEx(uint32_t handle, int32_t* hTotal, int32_t* hStart, int32_t* hEffective,
                                             int32_t* vTotal, int32_t* vStart, int32_t* vEffective) {
    return Dispatch(handle, kFailure, [&](COvilux& s) {
        return s.GetCaptureWindowEx(hTotal, hStart, hEffective, vTotal, vStart, vEffective);
    });
}

extern "C" int32_t Ovilux_Width(uint32_t handle) {
    return Dispatch(handle, kFailure, [](COvilux& s) { return s.Width(); });
}

extern "C" int32_t Ovilux_Height(uint32_t handle) {
    return Dispatch(handle, kFailure, [](COvilux& s) { return s.Height(); });
}

extern "C" int32_t Ovilux_SetColorMode(uint32_t handle, int32_t bitsPerPixel) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.SetColorMode(bitsPerPixel); });
}

extern "C" int32_t Ovilux_GetColorMode(uint32_t handle) {
    return Dispatch(handle, kFailureNegative, [](COvilux& s) { return s.GetColorMode(); });
}

extern "C" int32_t Ovilux_SetSubSample(uint32_t handle, int32_t code) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.SetSubSample(code); });
}

extern "C" int32_t Ovilux_GetSubSample(uint32_t handle) {
    return Dispatch(handle, kFailureNegative, [](COvilux& s) { return s.GetSubSample(); });
}

extern "C" int32_t Ovilux_SetMirrorH(uint32_t handle, int32_t on) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.SetMirrorH(on); });
}

extern "C" int32_t Ovilux_SetMirrorV(uint32_t handle, int32_t on) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.SetMirrorV(on); });
}

extern "C" int32_t Ovilux_GetMirrorH(uint32_t handle) {
    return Dispatch(handle, kFailure, [](COvilux& s) { return s.GetMirrorH(); });
}

extern "C" int32_t Ovilux_GetMirrorV(uint32_t handle) {
    return Dispatch(handle, kFailure, [](COvilux& s) { return s.GetMirrorV(); });
}

extern "C" int32_t Ovilux_SetSamplingRate(uint32_t handle, int32_t value) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.SetSamplingRate(value); });
}

// Ovilux_GetVideoFormat is the same entry point (an alias in the export table).
extern "C" int32_t Ovilux_GetSamplingRate(uint32_t handle, int32_t* ok) {
    return Dispatch(handle, kFailure, [&](COvilux&) {
        if (ok != nullptr) {
            *ok = 0;
        }
        return 0;
    });
}
OVILUX_EXPORT_ALIAS(Ovilux_GetVideoFormat, Ovilux_GetSamplingRate)

extern "C" int32_t Ovilux_SetPreviewWindow(uint32_t handle, OVILUX_HWND parent, int32_t x, int32_t y, int32_t width,
                                           int32_t height) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.SetPreviewWindow(parent, x, y, width, height); });
}
