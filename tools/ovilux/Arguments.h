// Arguments.h - reading the tool's command line: options with values, numbers and windows,
// each refused with a message naming what was wrong.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ovilux_tool {

// The words of a command line after the command name, consumed front to back.
class Arguments {
public:
    explicit Arguments(std::vector<std::string> words) : words_(std::move(words)) {}

    bool Empty() const { return next_ >= words_.size(); }
    const std::string& Peek() const { return words_[next_]; }
    std::string Take() { return words_[next_++]; }
    // The value after an option that needs one; nullopt (with a message) when it is missing.
    std::optional<std::string> TakeValue(const std::string& option);

private:
    std::vector<std::string> words_;
    size_t next_ = 0;
};

// A whole decimal (or 0x hex) number within [minimum, maximum]; nullopt with a message otherwise.
std::optional<int64_t> ParseNumber(const std::string& text, int64_t minimum, int64_t maximum, const std::string& what);

// A colour mode in bits per pixel: 8, 16, 24, 32, 48 or 64.
std::optional<int32_t> ParseBits(const std::string& text, const std::string& option);

struct WindowSpec {
    int32_t width = 0;
    int32_t height = 0;
    int32_t x = 0;
    int32_t y = 0;
};

// WxH or WxH+X+Y.
std::optional<WindowSpec> ParseWindow(const std::string& text);

// Prints "ovilux: " and the message to standard error.
void Complain(const std::string& message);

}  // namespace ovilux_tool
