// SceneOptions.h - what of the camera's imperfections a frame shows. All on by default; tests
// switch them off for a still, exactly known picture.
#pragma once

namespace ovilux::sim {

struct SceneOptions {
    bool noise = true;    // temporal noise on every sample
    bool motion = true;   // the chequered square that moves from frame to frame
    bool defects = true;  // the sensor's hot and dead pixels
    // Samples are the scene's levels whatever the exposure and gains, as an FPGA's test
    // pattern would be.
    bool fixedLevels = false;

    bool operator==(const SceneOptions&) const = default;
};

}  // namespace ovilux::sim
