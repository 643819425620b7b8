// SaveImageExports.cpp - saving the current image: Ovilux_SaveImage and Ovilux_SaveImageW.
#include <string>

#include "OviluxSdk.h"
#include "api/Dispatch.h"

using ovilux::api::Dispatch;
using ovilux::api::kFailure;
using ovilux::session::COvilux;

extern "C" int32_t Ovilux_SaveImage(uint32_t handle, const char* fileName, int32_t format) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.SaveImage(fileName, format); });
}

extern "C" int32_t Ovilux_SaveImageW(uint32_t handle, const OVILUX_WCHAR* fileName, int32_t format) {
    return Dispatch(handle, kFailure, [&](COvilux& s) {
        if (fileName == nullptr) {
            return s.SaveImageW(nullptr, format);
        }
        std::u16string name;
        for (const OVILUX_WCHAR* unit = fileName; *unit != 0; ++unit) {
            name.push_back(static_cast<char16_t>(*unit));
        }
        return s.SaveImageW(name.c_str(), format);
    });
}
