// AutoIris.cpp - region levels, the factor ladder and the clamped new values.
#include "session/AutoIris.h"

#include <algorithm>

#include "image/SampleScale.h"

namespace ovilux::session {

namespace {

struct Region {
    double left, top, right, bottom;  // fractions of the width and height
};

// The first region sets the base factor; the others adjust it, in this order.
constexpr Region kRegions[] = {
    {0.1, 0.1, 0.2, 0.2}, {0.1, 0.8, 0.2, 0.9}, {0.45, 0.45, 0.55, 0.55}, {0.8, 0.1, 0.9, 0.2}, {0.8, 0.8, 0.9, 0.9}};

constexpr int32_t kGainFloor = 4;
constexpr int32_t kUnityPercent = 100;

// Integer mean of the region's samples on the 8-bit scale; 0 for an empty region. A 16-bit
// sample carries 12 significant bits, so bits 11 to 4 are its 8-bit level.
int32_t RegionLevel(const image::DibImage& raw, const Region& region) {
    const int32_t left = static_cast<int32_t>(region.left * raw.Width());
    const int32_t top = static_cast<int32_t>(region.top * raw.Height());
    const int32_t right = static_cast<int32_t>(region.right * raw.Width());
    const int32_t bottom = static_cast<int32_t>(region.bottom * raw.Height());
    const auto* bits = static_cast<const uint8_t*>(raw.Bits());
    const bool wide = raw.BitsPerPixel() == 16;
    int64_t sum = 0;
    int64_t count = 0;
    for (int32_t y = top; y < bottom; ++y) {
        const uint8_t* row = bits + static_cast<int64_t>(y) * raw.Stride();
        for (int32_t x = left; x < right; ++x) {
            sum += wide ? image::Sample12To8(reinterpret_cast<const uint16_t*>(row)[x]) : row[x];
        }
        count += std::max(right - left, 0);
    }
    return count == 0 ? 0 : static_cast<int32_t>(sum / count);
}

// A level's step: bright regions pull the factor down, dark ones push it up. The stronger step
// for levels below 50 stands behind the test for levels below 100 and so never applies; the
// ladder is kept as the camera's users know it.
int32_t LevelStep(int32_t level) {
    if (level > 200) {
        return -15;
    }
    if (level > 160) {
        return -10;
    }
    if (level < 100) {
        return 5;
    }
    return 0;
}

}  // namespace

int32_t AutoIrisFactor(const image::DibImage& raw) {
    if (raw.Bits() == nullptr || (raw.BitsPerPixel() != 8 && raw.BitsPerPixel() != 16)) {
        return kUnityPercent;
    }
    int32_t factor = kUnityPercent;
    for (const Region& region : kRegions) {
        factor += LevelStep(RegionLevel(raw, region));
    }
    return factor;
}

int32_t AutoIrisGain(int32_t current, int32_t percent, int32_t minimum, int32_t maximum) {
    int32_t value = static_cast<int32_t>(int64_t{std::max(current, kGainFloor)} * percent / kUnityPercent);
    if (percent > kUnityPercent) {
        value = std::max(value, kGainFloor);
    }
    return value < minimum ? minimum : (value >= maximum ? maximum : value);
}

int32_t AutoIrisExposure(int32_t current, int32_t percent, int32_t minimum, int32_t maximum) {
    // Scaled without wrapping: a raise past 65535 clamps to the camera's maximum rather than
    // starting again near zero, which would plunge a dark scene into darkness.
    const int64_t value = std::max<int64_t>(int64_t{current} * percent / kUnityPercent, 1);
    return value < minimum ? minimum : (value >= maximum ? maximum : static_cast<int32_t>(value));
}

}  // namespace ovilux::session
