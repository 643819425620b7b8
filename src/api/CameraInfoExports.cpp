// CameraInfoExports.cpp - the camera's limits and its temperature.
#include "OviluxSdk.h"
#include "api/Dispatch.h"
#include "camera/OviluxUXBase.h"
#include "session/SessionConstants.h"

using ovilux::api::Dispatch;
using ovilux::api::kFailure;
using ovilux::api::kFailureDouble;
using ovilux::camera::COviluxUXBase;
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
        COviluxUXBase* camera = s.Camera();
        if (info == nullptr) {
            s.RecordError(code::kBadArgument);
            return 0;
        }
        if (camera == nullptr) {
            s.RecordError(code::kNoCamera);
            return 0;
        }
        if (info->size < kInfoBaseSize) {
            s.RecordError(code::kMemory);
            return 0;
        }
        OviluxCameraInfo read{};
        // Limits come from the opened camera's sensor model; without one there is nothing to report.
        const bool limits = camera->GetGlobalGainMin(&read.globalGainMin) && camera->GetGlobalGainMax(&read.globalGainMax) &&
                            camera->GetColorGainMin(&read.colorGainMin) && camera->GetColorGainMax(&read.colorGainMax) &&
                            camera->GetRealExposureMin(&read.exposureMin) && camera->GetRealExposureMax(&read.exposureMax);
        if (!limits) {
            s.RecordError(code::kNotPresent);
            return 0;
        }
        info->maxWidth = s.SensorWidth();
        info->maxHeight = s.SensorHeight();
        info->globalGainMin = read.globalGainMin;
        info->globalGainMax = read.globalGainMax;
        info->colorGainMin = read.colorGainMin;
        info->colorGainMax = read.colorGainMax;
        info->exposureMin = read.exposureMin;
        info->exposureMax = read.exposureMax;
        if (info->size >= kInfoFullSize) {
            camera->GetExposureSecondsMin(&info->exposureSecondsMin);
            camera->GetExposureSecondsMax(&info->exposureSecondsMax);
        }
        return 1;
    });
}

extern "C" double Ovilux_GetTemperatureEx(uint32_t handle, int32_t* ok) {
    return Dispatch(handle, kFailureDouble, [&](COvilux& s) {
        COviluxUXBase* camera = s.Camera();
        int32_t read = 0;
        double celsius = 0.0;
        if (camera == nullptr) {
            s.RecordError(code::kNoCamera);
        } else if (!camera->IsTemperatureSupported()) {
            s.RecordError(code::kNotSupported);
        } else {
            read = camera->GetTemperature(&celsius) != 0 ? 1 : 0;
            s.RecordError(read ? code::kSuccess : code::kConversion);
            if (!read) {
                celsius = 0.0;
            }
        }
        if (ok != nullptr) {
            *ok = read;
        }
        return celsius;
    });
}
