// Scene.h - what the simulated camera looks at, as the sensor's pixel array sees it through
// its Bayer filter: one 12-bit level per array pixel at the reference exposure and gain,
// rendered once per scene. Also the array's hot and dead pixels.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "sim/SimConstants.h"

namespace ovilux::sim {

struct PixelDefect {
    int32_t row;     // array row
    int32_t column;  // array column
    bool hot;        // hot pixels read full scale, dead ones zero
};

// A picture for the scene: rows top first, stride bytes apart, 1 byte (gray) or 3 bytes (blue,
// green, red) a pixel.
struct ScenePicture {
    const uint8_t* pixels;
    int32_t width;
    int32_t height;
    int32_t stride;
    int32_t channels;
};

class CScene {
public:
    // The built-in chart, shared by every camera that shows it.
    static std::shared_ptr<const CScene> Chart();
    // A picture placed with its top left pixel on the first active pixel, one picture pixel per
    // array pixel; its 8-bit values become 12-bit levels (255 is 4095, and the top 8 of the 12
    // bits give the value back). The array outside the picture sees black.
    static std::shared_ptr<const CScene> FromPicture(const ScenePicture& picture);

    // The level of an array pixel; rows and columns must lie in the array.
    uint16_t Level(int32_t row, int32_t column) const { return levels_[static_cast<size_t>(row) * kArrayWidth + column]; }
    const uint16_t* Row(int32_t row) const { return levels_.data() + static_cast<size_t>(row) * kArrayWidth; }
    // The sensor's own defects, the same whatever the scene.
    const std::vector<PixelDefect>& Defects() const { return defects_; }

private:
    CScene();

    std::vector<uint16_t> levels_;
    std::vector<PixelDefect> defects_;
};

}  // namespace ovilux::sim
