// SaveImageExports.cpp - saving the current image: Ovilux_SaveImage and Ovilux_SaveImageW.
#include "OviluxSdk.h"
#include "api/Dispatch.h"
#include "api/WideName.h"

using ovilux::api::Dispatch;
using ovilux::api::kFailure;
using ovilux::session::COvilux;

extern "C" int32_t Ovilux_SaveImage(uint32_t handle, const char* fileName, int32_t format) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.SaveImage(fileName, format); });
}

extern "C" int32_t Ovilux_SaveImageW(uint32_t handle, const OVILUX_WCHAR* fileName, int32_t format) {
    return Dispatch(handle, kFailure, [&](COvilux& s) {
        return fileName == nullptr ? s.SaveImageW(nullptr, format)
                                   : s.SaveImageW(ovilux::api::WideName(fileName).c_str(), format);
    });
}
