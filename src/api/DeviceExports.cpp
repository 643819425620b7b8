// DeviceExports.cpp - enumeration, names and selection of cameras, and closing.
#include "OviluxSdk.h"
#include "api/Dispatch.h"
#include "api/WideText.h"
#include "session/SessionConstants.h"

using ovilux::api::CopyUnits;
using ovilux::api::Dispatch;
using ovilux::api::kFailure;
using ovilux::session::COvilux;

namespace {

constexpr size_t kEnumUnits = size_t{ovilux::session::kEnumSlots} * ovilux::session::kEnumNameChars;
static_assert(OVILUX_ENUM_SLOTS == ovilux::session::kEnumSlots && OVILUX_ENUM_NAME_CHARS == ovilux::session::kEnumNameChars,
              "the public enumeration table and the session's agree");

}  // namespace

extern "C" int32_t Ovilux_EnumDevice(uint32_t handle, char* names) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.EnumDevice(names); });
}

extern "C" int32_t Ovilux_EnumDeviceW(uint32_t handle, OVILUX_WCHAR* names) {
    return Dispatch(handle, kFailure, [&](COvilux& s) {
        if (names == nullptr) {
            return s.EnumDeviceW(nullptr);
        }
        char16_t wide[kEnumUnits];
        const int32_t count = s.EnumDeviceW(wide);
        CopyUnits(wide, names, kEnumUnits);
        return count;
    });
}

extern "C" int32_t Ovilux_GetDeviceName(uint32_t handle, int32_t index, char* buffer, int32_t length) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.GetDeviceName(index, buffer, length); });
}

extern "C" int32_t Ovilux_GetDeviceNameW(uint32_t handle, int32_t index, OVILUX_WCHAR* buffer, int32_t length) {
    return Dispatch(handle, kFailure, [&](COvilux& s) {
        if (buffer == nullptr) {
            return s.GetDeviceNameW(index, nullptr, length);
        }
        // A length of zero or below is short like any other, and refused by the session.
        char16_t wide[ovilux::session::kWideNameUnits];
        const int32_t capacity = length < ovilux::session::kWideNameUnits ? length : ovilux::session::kWideNameUnits;
        if (!s.GetDeviceNameW(index, wide, capacity)) {
            return 0;
        }
        size_t units = 0;
        while (wide[units] != 0) {
            ++units;
        }
        CopyUnits(wide, buffer, units + 1);
        return 1;
    });
}

extern "C" int32_t Ovilux_SetDeviceNumber(uint32_t handle, int32_t index) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.SetDeviceNumber(index); });
}

extern "C" int32_t Ovilux_Close(uint32_t handle) {
    return Dispatch(handle, kFailure, [](COvilux& s) { return s.Close(); });
}
