// SensorReadout.h - which pixels of the array the image sensor reads out, and in what order.
#pragma once

#include <cstdint>

namespace ovilux::sim {

// Rows and columns are read in Bayer pairs: with skipping, two of every 2 x skip rows (or
// columns) are read, each the average of bin same-coloured samples two apart.
struct SensorAxis {
    int32_t start = 0;   // first array row or column of the window
    int32_t size = 0;    // rows or columns the window spans
    int32_t skip = 1;    // 1 to 8
    int32_t bin = 1;     // 1 to skip
    bool mirror = false; // read from the far end of the window back
    // Output rows or columns: those whose array position lies inside the window.
    int32_t Outputs() const;
    // The array position of output k (before binning).
    int32_t Position(int32_t k) const;
    bool operator==(const SensorAxis&) const = default;
};

struct SensorReadout {
    SensorAxis rows;
    SensorAxis columns;
    bool operator==(const SensorReadout&) const = default;
};

}  // namespace ovilux::sim
