// ConfigFileExports.cpp - reading a configuration file into the session: Ovilux_LoadConfigFileA
// and Ovilux_LoadConfigFileW.
#include "OviluxSdk.h"
#include "api/Dispatch.h"
#include "api/WideName.h"

using ovilux::api::Dispatch;
using ovilux::api::kFailure;
using ovilux::session::COvilux;

extern "C" int32_t Ovilux_LoadConfigFileA(uint32_t handle, const char* fileName) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.LoadConfigFile(fileName); });
}

extern "C" int32_t Ovilux_LoadConfigFileW(uint32_t handle, const OVILUX_WCHAR* fileName) {
    return Dispatch(handle, kFailure, [&](COvilux& s) {
        return fileName == nullptr ? s.LoadConfigFileW(nullptr)
                                   : s.LoadConfigFileW(ovilux::api::WideName(fileName).c_str());
    });
}
