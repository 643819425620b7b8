// WideText.h - moving UTF-16 text between the public wide type (wchar_t on Windows, uint16_t
// elsewhere) and the char16_t the library's text conversions use.
#pragma once

#include <cstddef>

namespace ovilux::api {

template <typename From, typename To>
void CopyUnits(const From* from, To* to, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        to[i] = static_cast<To>(from[i]);
    }
}

}  // namespace ovilux::api
