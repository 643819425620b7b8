// The white balance measurement: the gains for known channel means in every Bayer mode and
// both depths, the 400 limit, and frames with nothing to measure.
#include <gtest/gtest.h>

#include "image/filters/WhiteBalance.h"
#include "image/filters/RawTestImages.h"

using namespace ovilux::image;
using namespace ovilux::image::filters;
using namespace ovilux::image::test;

namespace {

// The demosaic's colour table: [mode][row parity][column parity].
const char* const kDemosaicColours[4][2] = {{"GB", "RG"}, {"RG", "GB"}, {"BG", "GR"}, {"GR", "BG"}};

// Even sizes give the two greens of the block levels of their own (green -/+ green / spread:
// their mean covers both); odd sizes have unequal counts of each colour per row.
struct Geometry {
    int width, height;
    uint32_t greenSpread;
};
const Geometry kGeometries[] = {{10, 8, 4}, {9, 7, 0}, {3, 2, 0}};

}  // namespace

TEST(MeasureWhiteBalance, GainsBringRedAndBlueMeansToTheGreenMean) {
    struct Case {
        uint32_t red, green, blue;
        bool measured;
        int32_t redGain, blueGain;
    };
    const Case cases[] = {
        {50, 100, 200, true, 200, 50},  {80, 100, 125, true, 125, 80}, {100, 100, 100, true, 100, 100},
        {25, 100, 50, true, 400, 200},  // red mean a quarter of green
        {20, 100, 50, true, 400, 200},  // less than a quarter: still 400
        {0, 100, 50, false, -1, -2},    // no red at all
        {0, 0, 0, false, -1, -2},       // black frame
    };
    for (uint16_t bits : {uint16_t{8}, uint16_t{16}}) {
        const uint32_t scale = bits == 8 ? 1 : 16;
        for (const Case& c : cases) {
            for (const Geometry& g : kGeometries) {
                for (int mode = 0; mode < 4; ++mode) {
                    DibImage raw;
                    MakeRaw(raw, g.width, g.height, bits, [&](int x, int y) {
                        const char name = kDemosaicColours[mode][y & 1][x & 1];
                        const uint32_t spread = g.greenSpread == 0 ? 0 : c.green / g.greenSpread;
                        const uint32_t green = (y & 1) == 0 ? c.green - spread : c.green + spread;
                        return scale * (name == 'R' ? c.red : name == 'B' ? c.blue : green);
                    });
                    int32_t redGain = -1, blueGain = -2;
                    ASSERT_EQ(MeasureWhiteBalance(raw, mode, redGain, blueGain), c.measured) << bits << "-bit mode " << mode;
                    EXPECT_EQ(redGain, c.redGain) << bits << "-bit mode " << mode << " red " << c.red;
                    EXPECT_EQ(blueGain, c.blueGain) << bits << "-bit mode " << mode << " blue " << c.blue;
                }
            }
        }
    }
}

TEST(MeasureWhiteBalance, RefusesImagesItCannotMeasure) {
    DibImage empty, colour, tiny, raw;
    ASSERT_EQ(colour.Create(4, 4, 24), 1);
    MakeRaw(tiny, 1, 1, 8, [](int, int) { return 100u; });  // one colour only
    MakeRaw(raw, 4, 4, 8, [](int, int) { return 100u; });
    int32_t redGain = 7, blueGain = 8;
    EXPECT_FALSE(MeasureWhiteBalance(empty, 0, redGain, blueGain));
    EXPECT_FALSE(MeasureWhiteBalance(colour, 0, redGain, blueGain));
    EXPECT_FALSE(MeasureWhiteBalance(tiny, 0, redGain, blueGain));
    EXPECT_FALSE(MeasureWhiteBalance(raw, 4, redGain, blueGain));
    EXPECT_EQ(redGain, 7);
    EXPECT_EQ(blueGain, 8);
}
