// WhiteBalance.cpp - the white balance measurement.
#include "image/filters/WhiteBalance.h"

#include <algorithm>
#include <cmath>

#include "image/BayerMode.h"
#include "image/ImageLimits.h"
#include "image/filters/RawPlane.h"

namespace ovilux::image::filters {

namespace {

struct ColourMeans {
    double red;
    double green;
    double blue;
};

// Rows alternate between one holding red and green and one holding green and blue; a row's
// even and odd columns are summed apart and then told which is which.
template <typename T>
ColourMeans MeansOf(const detail::RawPlane<T>& plane, RedPhase red) {
    uint64_t redSum = 0, greenSum = 0, blueSum = 0;
    uint64_t redCount = 0, greenCount = 0, blueCount = 0;
    const uint64_t evenCount = (static_cast<uint64_t>(plane.width) + 1) / 2;
    const uint64_t oddCount = static_cast<uint64_t>(plane.width) / 2;
    for (int32_t y = 0; y < plane.height; ++y) {
        const T* row = plane.Row(y);
        uint64_t even = 0, odd = 0;
        int32_t x = 0;
        for (; x + 1 < plane.width; x += 2) {
            even += row[x];
            odd += row[x + 1];
        }
        if (x < plane.width) {
            even += row[x];
        }
        const bool redRow = (y & 1) == red.row;
        // Red columns in red rows, blue columns (the other parity) in blue rows.
        const bool colourEven = (redRow ? red.column : 1 - red.column) == 0;
        (redRow ? redSum : blueSum) += colourEven ? even : odd;
        (redRow ? redCount : blueCount) += colourEven ? evenCount : oddCount;
        greenSum += colourEven ? odd : even;
        greenCount += colourEven ? oddCount : evenCount;
    }
    const auto mean = [](uint64_t sum, uint64_t count) {
        return count == 0 ? 0.0 : static_cast<double>(sum) / static_cast<double>(count);
    };
    return {mean(redSum, redCount), mean(greenSum, greenCount), mean(blueSum, blueCount)};
}

int32_t GainOf(double s, double mean, double greenMean) {
    const double gain = (s / mean / 3) * 100 / (s / greenMean / 3);
    return static_cast<int32_t>(std::min(gain, static_cast<double>(kMaxBayerGain)));
}

}  // namespace

bool MeasureWhiteBalance(const DibImage& raw, int32_t adjustedBayerMode, int32_t& redGain, int32_t& blueGain) {
    if (!IsValidBayerMode(adjustedBayerMode)) {
        return false;
    }
    const RedPhase red = RedPhaseOf(adjustedBayerMode);
    ColourMeans means{};
    if (const auto plane = detail::PlaneOf<uint8_t>(raw); plane.bits != nullptr) {
        means = MeansOf(plane, red);
    } else if (const auto plane16 = detail::PlaneOf<uint16_t>(raw); plane16.bits != nullptr) {
        means = MeansOf(plane16, red);
    } else {
        return false;
    }
    if (means.red == 0 || means.green == 0 || means.blue == 0) {
        return false;
    }
    const double s = means.green + means.red + means.blue;
    redGain = GainOf(s, means.red, means.green);
    blueGain = GainOf(s, means.blue, means.green);
    return true;
}

}  // namespace ovilux::image::filters
