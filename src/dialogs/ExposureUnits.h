// ExposureUnits.h - the exposure-in-seconds row of the analog dialog: which unit a time is shown
// in, the conversions between a unit and seconds, and the texts of its numbers and range.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ovilux::dialogs {

// Unit indices in the order the unit list offers them.
enum ExposureUnit : int32_t { kNanoseconds = 0, kMicroseconds = 1, kMilliseconds = 2, kSeconds = 3 };

// The unit a time in seconds reads best in: sec above 1 s, ms from 1 ms, us from 1 us, else ns.
ExposureUnit UnitOfSeconds(double seconds);
double SecondsToUnit(double seconds, ExposureUnit unit);
double UnitToSeconds(double value, ExposureUnit unit);
// The unit's name as the dialog shows it, in UTF-8 (the micro sign is U+03BC).
const char* UnitName(ExposureUnit unit);

// A number as the seconds edit shows it: three decimals when its fraction reaches 0.001, six
// when it reaches 1e-6, else the whole number.
std::string FormatUnitValue(double value);
// "range: 10us - 2sec": each limit in its own unit, truncated to a whole number.
std::string RangeText(double minimumSeconds, double maximumSeconds);
// The decimal number a user typed (surrounding blanks allowed); nullopt for anything else,
// including numbers that are not finite.
std::optional<double> ParseUnitValue(const std::string& text);

}  // namespace ovilux::dialogs
