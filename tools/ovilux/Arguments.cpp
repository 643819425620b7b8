// Arguments.cpp - parsing numbers and windows from the command line.
#include "Arguments.h"

#include <cstdio>
#include <cstdlib>
#include <initializer_list>

namespace ovilux_tool {

void Complain(const std::string& message) { std::fprintf(stderr, "ovilux: %s\n", message.c_str()); }

std::optional<std::string> Arguments::TakeValue(const std::string& option) {
    if (Empty()) {
        Complain(option + " needs a value");
        return std::nullopt;
    }
    return Take();
}

std::optional<int64_t> ParseNumber(const std::string& text, int64_t minimum, int64_t maximum, const std::string& what) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* start = text.c_str() + (hex ? 2 : 0);
    char* end = nullptr;
    const long long value = std::strtoll(start, &end, hex ? 16 : 10);
    if (text.empty() || end == start || *end != '\0' || value < minimum || value > maximum) {
        Complain(what + " must be a whole number from " + std::to_string(minimum) + " to " + std::to_string(maximum) +
                 ", not \"" + text + "\"");
        return std::nullopt;
    }
    return value;
}

std::optional<int32_t> ParseBits(const std::string& text, const std::string& option) {
    for (const char* bits : {"8", "16", "24", "32", "48", "64"}) {
        if (text == bits) {
            return std::stoi(text);
        }
    }
    Complain(option + " takes 8, 16, 24, 32, 48 or 64, not \"" + text + "\"");
    return std::nullopt;
}

std::optional<WindowSpec> ParseWindow(const std::string& text) {
    WindowSpec window;
    int consumed = 0;
    const char* s = text.c_str();
    if (std::sscanf(s, "%dx%d%n", &window.width, &window.height, &consumed) == 2 &&
        (s[consumed] == '\0' ||
         (std::sscanf(s + consumed, "+%d+%d%n", &window.x, &window.y, &consumed) == 2 &&
          s[text.find('+') + static_cast<size_t>(consumed)] == '\0')) &&
        window.width > 0 && window.height > 0 && window.x >= 0 && window.y >= 0) {
        return window;
    }
    Complain("--window takes WIDTHxHEIGHT or WIDTHxHEIGHT+X+Y, not \"" + text + "\"");
    return std::nullopt;
}

}  // namespace ovilux_tool
