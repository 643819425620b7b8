// Auto iris on frames of one level: the factor the five regions give, and the clamped values
// it leads to.
#include <gtest/gtest.h>

#include <cstring>

#include "session/AutoIris.h"

namespace ovilux::session {
namespace {

void Fill(image::DibImage& raw, uint16_t sample) {
    for (int32_t y = 0; y < raw.Height(); ++y) {
        uint8_t* row = static_cast<uint8_t*>(raw.Bits()) + int64_t{y} * raw.Stride();
        for (int32_t x = 0; x < raw.Width(); ++x) {
            if (raw.BitsPerPixel() == 16) {
                reinterpret_cast<uint16_t*>(row)[x] = sample;
            } else {
                row[x] = static_cast<uint8_t>(sample);
            }
        }
    }
}

TEST(AutoIris, FactorOfUniformFramesOnBothSampleWidths) {
    struct Case {
        const char* name;
        uint16_t bits;
        uint16_t sample;
        int32_t percent;
    };
    const Case cases[] = {
        {"white, 8-bit", 8, 255, 25},      {"black, 8-bit", 8, 0, 125},      {"mid gray, 8-bit", 8, 130, 100},
        {"bright, 8-bit", 8, 180, 50},     {"white, 12-bit", 16, 4095, 25},  {"black, 12-bit", 16, 0, 125},
        // 2080 is level 130 on the 8-bit scale: it must not wrap to a dark level.
        {"mid gray, 12-bit", 16, 2080, 100}, {"level 201, 12-bit", 16, 201 << 4, 25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        image::DibImage raw;
        ASSERT_EQ(raw.Create(97, 61, c.bits), 1);
        Fill(raw, c.sample);
        EXPECT_EQ(AutoIrisFactor(raw), c.percent);
    }
    image::DibImage tiny;  // regions without samples read level 0
    ASSERT_EQ(tiny.Create(4, 4, 8), 1);
    Fill(tiny, 255);
    // Only the centre region holds a sample (white): 1.05 + 0.05 - 0.15 + 0.05 + 0.05.
    EXPECT_EQ(AutoIrisFactor(tiny), 105);
}

TEST(AutoIris, DeadBandAndClampedValues) {
    EXPECT_TRUE(InAutoIrisDeadBand(100));
    EXPECT_TRUE(InAutoIrisDeadBand(115));
    EXPECT_FALSE(InAutoIrisDeadBand(125));
    EXPECT_FALSE(InAutoIrisDeadBand(60));
    struct Case {
        const char* name;
        int32_t (*scale)(int32_t, int32_t, int32_t, int32_t);
        int32_t current;
        int32_t percent;
        int32_t minimum, maximum, expected;
    };
    const Case cases[] = {
        {"gain quartered", AutoIrisGain, 64, 25, 1, 255, 16},
        {"gain quartered to its minimum", AutoIrisGain, 16, 25, 8, 255, 8},
        {"gain scaled from at least 4", AutoIrisGain, 1, 125, 0, 255, 5},
        {"gain at its maximum", AutoIrisGain, 250, 125, 0, 255, 255},
        {"exposure raised by a quarter", AutoIrisExposure, 400, 125, 1, 12000, 500},
        {"exposure at least 1", AutoIrisExposure, 1, 25, 0, 12000, 1},
        {"exposure past 16 bits, not wrapped", AutoIrisExposure, 60000, 125, 1, 100000, 75000},
        {"exposure at its maximum", AutoIrisExposure, 11000, 125, 1, 12000, 12000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.scale(c.current, c.percent, c.minimum, c.maximum), c.expected) << c.name;
    }
}

}  // namespace
}  // namespace ovilux::session
