// SensorWithLimits.h - a sensor model whose shutter and gain limits are those kept in its
// parameter block: the limit getters read the block, so each model only fills it.
#pragma once

#include "camera/sensors/SensorBase.h"

namespace ovilux::camera {

class CSensorWithLimits : public CSensorBase {
public:
    using CSensorBase::CSensorBase;

    int32_t GetShutterLinesMin(int32_t* value) override { return Out(value, params_.shutterLines.minimum); }
    int32_t GetShutterLinesMax(int32_t* value) override { return Out(value, params_.shutterLines.maximum); }
    int32_t GetShutterLinesDefault(int32_t* value) override {
        return Out(value, params_.shutterLines.defaultValue);
    }
    int32_t GetGlobalGainMin(int32_t* value) override { return Out(value, params_.globalGain.minimum); }
    int32_t GetGlobalGainMax(int32_t* value) override { return Out(value, params_.globalGain.maximum); }
    int32_t GetGlobalGainDefault(int32_t* value) override { return Out(value, params_.globalGain.defaultValue); }
    // The red group's limits and default serve all four colour gains.
    int32_t GetColorGainMin(int32_t* value) override { return Out(value, params_.redGain.minimum); }
    int32_t GetColorGainMax(int32_t* value) override { return Out(value, params_.redGain.maximum); }
    int32_t GetColorGainDefault(int32_t* value) override { return Out(value, params_.redGain.defaultValue); }
};

}  // namespace ovilux::camera
