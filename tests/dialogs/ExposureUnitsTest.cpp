// The exposure-in-seconds row: the unit each time reads in, the round trip through a unit, the
// number texts and the range line, and text that is no number.
#include <gtest/gtest.h>

#include "dialogs/ExposureUnits.h"

namespace ovilux::dialogs {
namespace {

TEST(ExposureUnits, UnitsConversionsAndTexts) {
    struct Case {
        double seconds;
        ExposureUnit unit;
        const char* shown;
    };
    const Case cases[] = {
        {2.5, kSeconds, "2.500"},          {1.0, kMilliseconds, "1000"},   {0.0125, kMilliseconds, "12.500"},
        {0.001, kMilliseconds, "1"},       {0.00099, kMicroseconds, "990"}, {1e-6, kMicroseconds, "1"},
        {5e-7, kNanoseconds, "500"},       {0.0, kNanoseconds, "0"},        {1.000004, kSeconds, "1.000004"},     {1.0000005, kSeconds, "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        EXPECT_EQ(UnitOfSeconds(c.seconds), c.unit);
        const double inUnit = SecondsToUnit(c.seconds, c.unit);
        EXPECT_EQ(FormatUnitValue(inUnit), c.shown);
        EXPECT_DOUBLE_EQ(UnitToSeconds(inUnit, c.unit), c.seconds);
    }
    EXPECT_EQ(RangeText(0.0000125, 2.75), "range: 12\xce\xbcs - 2sec");
    EXPECT_EQ(RangeText(0.0005, 0.5), "range: 500\xce\xbcs - 500ms");
}

TEST(ExposureUnits, OnlyWholeFiniteNumbersParse) {
    EXPECT_EQ(ParseUnitValue("12.5"), 12.5);
    EXPECT_EQ(ParseUnitValue(" 3 "), 3.0);
    for (const char* text : {"", "abc", "12ms", "inf", "nan", "1e999", "- 1"}) {
        EXPECT_FALSE(ParseUnitValue(text).has_value()) << text;
    }
}

}  // namespace
}  // namespace ovilux::dialogs
