// ProductLimits.cpp - the sensor model of the built product answers for its ranges; it is made
// without a controller, since its ranges are known before it touches a register.
#include "session/ProductLimits.h"

#include "camera/sensors/SensorFactory.h"
#include "session/SessionConstants.h"

namespace ovilux::session {

CameraLimits ProductLimits() {
    const std::unique_ptr<camera::CSensorBase> model = camera::CreateSensorModel(kProductId, 0, nullptr);
    return model ? LimitsOf(*model) : CameraLimits{};
}

}  // namespace ovilux::session
