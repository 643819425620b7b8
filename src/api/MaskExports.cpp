// MaskExports.cpp - the defect mask: recording references from frames and the mask file.
#include "OviluxSdk.h"
#include "api/Dispatch.h"
#include "api/WideName.h"

using ovilux::api::Dispatch;
using ovilux::api::kFailure;
using ovilux::session::COvilux;

extern "C" int32_t Ovilux_UpdateMaskData(uint32_t handle, int32_t selector) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.UpdateMaskData(selector); });
}

extern "C" int32_t Ovilux_LoadMaskFile(uint32_t handle, const char* fileName) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.LoadMaskFile(fileName); });
}

extern "C" int32_t Ovilux_SaveMaskFile(uint32_t handle, const char* fileName) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.SaveMaskFile(fileName); });
}

extern "C" int32_t Ovilux_LoadMaskFileW(uint32_t handle, const OVILUX_WCHAR* fileName) {
    return Dispatch(handle, kFailure, [&](COvilux& s) {
        return fileName == nullptr ? s.LoadMaskFileW(nullptr) : s.LoadMaskFileW(ovilux::api::WideName(fileName).c_str());
    });
}

extern "C" int32_t Ovilux_SaveMaskFileW(uint32_t handle, const OVILUX_WCHAR* fileName) {
    return Dispatch(handle, kFailure, [&](COvilux& s) {
        return fileName == nullptr ? s.SaveMaskFileW(nullptr) : s.SaveMaskFileW(ovilux::api::WideName(fileName).c_str());
    });
}
