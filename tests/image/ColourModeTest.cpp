// Colour modes: bits per pixel both ways, raw buffer per mode, and the dialog's labels.
#include <gtest/gtest.h>

#include "image/ColourMode.h"

using namespace ovilux::image;

TEST(ColourMode, ModesAndBitsMapBothWays) {
    const int32_t bits[6] = {8, 16, 24, 32, 48, 64};
    const int32_t raw[6] = {8, 16, 8, 8, 16, 16};
    for (int32_t mode = 0; mode < 6; ++mode) {
        EXPECT_EQ(BitsPerPixelOfMode(mode), bits[mode]);
        EXPECT_EQ(ColourModeOfBits(bits[mode]), mode);
        EXPECT_EQ(RawBitsOfMode(mode), raw[mode]);
        EXPECT_EQ(IsSixteenBitMode(mode), raw[mode] == 16);
    }
    for (int32_t bad : {-1, 6, 100}) {
        EXPECT_EQ(BitsPerPixelOfMode(bad), -1);
        EXPECT_EQ(RawBitsOfMode(bad), -1);
        EXPECT_FALSE(IsSixteenBitMode(bad));
    }
    for (int32_t badBits : {0, 1, 12, 15, 96}) {
        EXPECT_EQ(ColourModeOfBits(badBits), -1);
    }
}

TEST(ColourMode, LabelsInEnglishAndJapanese) {
    EXPECT_EQ(ColourModeLabel(0, 1033), u"Monochrome 8bit");
    EXPECT_EQ(ColourModeLabel(1, 1033), u"Monochrome 12bit *");
    EXPECT_EQ(ColourModeLabel(2, 1033), u"Color 24bit");
    EXPECT_EQ(ColourModeLabel(3, 1033), u"Color 32bit");
    EXPECT_EQ(ColourModeLabel(4, 1033), u"Color 48bit *");
    EXPECT_EQ(ColourModeLabel(5, 1033), u"Color 64bit *");
    EXPECT_EQ(ColourModeLabel(0, 1041), u"白黒 8bit");
    EXPECT_EQ(ColourModeLabel(1, 1041), u"白黒 12bit ※");
    EXPECT_EQ(ColourModeLabel(2, 1041), u"カラー 24bit");
    EXPECT_EQ(ColourModeLabel(5, 1041), u"カラー 64bit ※");
    EXPECT_EQ(ColourModeLabel(1, 2052), u"Monochrome 12bit *");
    EXPECT_TRUE(ColourModeLabel(6, 1033).empty());
}
