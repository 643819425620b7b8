// ExposureUnits.cpp - units, conversions and number texts of the exposure-in-seconds row.
#include "dialogs/ExposureUnits.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace ovilux::dialogs {

namespace {

constexpr double kScale[] = {1e9, 1e6, 1e3, 1.0};

std::string Printed(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

ExposureUnit UnitOfSeconds(double seconds) {
    if (seconds > 1.0) {
        return kSeconds;
    }
    if (seconds >= 1e-3) {
        return kMilliseconds;
    }
    if (seconds >= 1e-6) {
        return kMicroseconds;
    }
    return kNanoseconds;
}

double SecondsToUnit(double seconds, ExposureUnit unit) { return seconds * kScale[unit]; }

double UnitToSeconds(double value, ExposureUnit unit) { return value / kScale[unit]; }

const char* UnitName(ExposureUnit unit) {
    static const char* const names[] = {"ns", "\xce\xbcs", "ms", "sec"};
    return names[unit];
}

std::string FormatUnitValue(double value) {
    const double fraction = std::fabs(value - std::trunc(value));
    if (fraction >= 1e-3) {
        return Printed("%.3f", value);
    }
    if (fraction >= 1e-6) {
        return Printed("%.6f", value);
    }
    // Whole numbers beyond an int's range cannot come from a camera's exposure; they print as
    // the truncated double rather than overflowing a conversion.
    return Printed("%.0f", std::trunc(value));
}

std::string RangeText(double minimumSeconds, double maximumSeconds) {
    const ExposureUnit low = UnitOfSeconds(minimumSeconds);
    const ExposureUnit high = UnitOfSeconds(maximumSeconds);
    char text[96];
    std::snprintf(text, sizeof text, "range: %.0f%s - %.0f%s", std::trunc(SecondsToUnit(minimumSeconds, low)),
                  UnitName(low), std::trunc(SecondsToUnit(maximumSeconds, high)), UnitName(high));
    return text;
}

std::optional<double> ParseUnitValue(const std::string& text) {
    const char* begin = text.c_str();
    char* end = nullptr;
    const double value = std::strtod(begin, &end);
    if (end == begin) {
        return std::nullopt;
    }
    while (*end == ' ' || *end == '\t') {
        ++end;
    }
    if (*end != '\0' || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace ovilux::dialogs
