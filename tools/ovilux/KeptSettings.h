// KeptSettings.h - the settings a session keeps that change a picture, read through the
// library's getters, for `ovilux info` to show beside the factory values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ovilux_tool {

struct KeptSetting {
    std::string name;
    std::string value;
};

// Every kept picture setting of the session's selected camera, in a fixed order.
std::vector<KeptSetting> ReadKeptSettings(uint32_t handle);

// Prints them, each marked with * and followed by the factory value where it differs.
void PrintKeptSettings(const std::vector<KeptSetting>& now, const std::vector<KeptSetting>& factory);

}  // namespace ovilux_tool
