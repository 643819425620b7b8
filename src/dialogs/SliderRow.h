// SliderRow.h - one numeric row of a property page: a trackbar, an edit and an up-down control
// over one range, with the trackbar's tick spacing.
#pragma once

#include <cstdint>

namespace ovilux::dialogs {

struct SliderRow {
    int32_t minimum;
    int32_t maximum;
    int32_t tickFrequency;
};

// Eight tick intervals over the range; never 0, which would leave the trackbar without ticks.
constexpr SliderRow EighthsRow(int32_t minimum, int32_t maximum) {
    const int32_t tick = (maximum - minimum) / 8;
    return SliderRow{minimum, maximum, tick > 0 ? tick : 1};
}

}  // namespace ovilux::dialogs
