// Scene.h - what the simulated camera looks at, as the sensor's pixel array sees it through
// its Bayer filter: one 12-bit level per array pixel at the reference exposure and gain,
// rendered once per process. Also the array's hot and dead pixels.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/SimConstants.h"

namespace ovilux::sim {

struct PixelDefect {
    int32_t row;     // array row
    int32_t column;  // array column
    bool hot;        // hot pixels read full scale, dead ones zero
};

class CScene {
public:
    static const CScene& Instance();

    // The level of an array pixel; rows and columns must lie in the array.
    uint16_t Level(int32_t row, int32_t column) const { return levels_[static_cast<size_t>(row) * kArrayWidth + column]; }
    const uint16_t* Row(int32_t row) const { return levels_.data() + static_cast<size_t>(row) * kArrayWidth; }
    const std::vector<PixelDefect>& Defects() const { return defects_; }

private:
    CScene();

    std::vector<uint16_t> levels_;
    std::vector<PixelDefect> defects_;
};

}  // namespace ovilux::sim
