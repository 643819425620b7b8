// CameraInfoExports.cpp - the camera's limits and its temperature.
#include "OviluxSdk.h"
#include "api/Dispatch.h"
#include "session/Ovilux.h"
#include "session/SessionConstants.h"

using ovilux::api::Dispatch;
using ovilux::api::kFailure;
using ovilux::api::kFailureDouble;
using ovilux::session::COvilux;
namespace code = ovilux::session::code;

namespace {

// The part every caller gets, and the size that also receives the exposure in seconds.
constexpr int32_t kInfoBaseSize = 36;
constexpr int32_t kInfoFullSize = 56;
static_assert(sizeof(OviluxCameraInfo) == kInfoFullSize, "the record's full size");

}  // namespace

extern "C" int32_t Ovilux_GetCameraInfo(uint32_t handle, OviluxCameraInfo* info) {
    return Dispatch(handle, kFailure, [&](COvilux& s) {
        if (info == nullptr) {
            s.RecordError(code::kBadArgument);
            return 0;
        }
        if (s.Camera() == nullptr) {
            s.RecordError(code::kNoCamera);
            return 0;
        }
        if (info->size < kInfoBaseSize) {
            s.RecordError(code::kMemory);
            return 0;
        }
        const bool seconds = info->size >= kInfoFullSize;
        ovilux::session::CameraInfoLimits limits;
        if (!s.ReadCameraLimits(limits, seconds)) {
            return 0;
        }
        info->maxWidth = s.SensorWidth();
        info->maxHeight = s.SensorHeight();
        info->globalGainMin = limits.globalGainMin;
        info->globalGainMax = limits.globalGainMax;
        info->colorGainMin = limits.colorGainMin;
        info->colorGainMax = limits.colorGainMax;
        info->exposureMin = limits.exposureMin;
        info->exposureMax = limits.exposureMax;
        if (seconds) {
            info->exposureSecondsMin = limits.exposureSecondsMin;
            info->exposureSecondsMax = limits.exposureSecondsMax;
        }
        return 1;
    });
}

extern "C" double Ovilux_GetTemperatureEx(uint32_t handle, int32_t* ok) {
    return Dispatch(handle, kFailureDouble, [&](COvilux& s) {
        double celsius = 0.0;
        const int32_t read = s.ReadTemperature(&celsius);
        if (ok != nullptr) {
            *ok = read;
        }
        return celsius;
    });
}
