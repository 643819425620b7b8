// RecordExports.cpp - recording live view into AVI files: Ovilux_Record, Ovilux_RecordW, and the
// test hook that makes recordings split small.
#include <string>

#include "OviluxSdk.h"
#include "OviluxSim.h"
#include "api/Dispatch.h"

using ovilux::api::Dispatch;
using ovilux::api::kFailure;
using ovilux::session::COvilux;

extern "C" int32_t Ovilux_Record(uint32_t handle, const char* fileName, int32_t timeMs, int32_t window) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.Record(fileName, timeMs, window); });
}

extern "C" int32_t Ovilux_RecordW(uint32_t handle, const OVILUX_WCHAR* fileName, int32_t timeMs, int32_t window) {
    return Dispatch(handle, kFailure, [&](COvilux& s) {
        if (fileName == nullptr) {
            return s.RecordW(nullptr, timeMs, window);
        }
        std::u16string name;
        for (const OVILUX_WCHAR* unit = fileName; *unit != 0; ++unit) {
            name.push_back(static_cast<char16_t>(*unit));
        }
        return s.RecordW(name.c_str(), timeMs, window);
    });
}

extern "C" int32_t OviluxSim_SetRecordFileLimit(uint32_t handle, uint64_t bytes) {
    return Dispatch(handle, kFailure, [&](COvilux& s) {
        if (bytes == 0 || bytes > ovilux::image::kAviFileLimit) {
            return 0;
        }
        s.SetRecordFileLimit(bytes);
        return 1;
    });
}
