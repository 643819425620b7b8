// WideName.h - a file name from the application's UTF-16 units (OVILUX_WCHAR) to char16_t.
#pragma once

#include <string>

#include "OviluxSdk.h"

namespace ovilux::api {

inline std::u16string WideName(const OVILUX_WCHAR* name) {
    std::u16string result;
    for (const OVILUX_WCHAR* unit = name; *unit != 0; ++unit) {
        result.push_back(static_cast<char16_t>(*unit));
    }
    return result;
}

}  // namespace ovilux::api
