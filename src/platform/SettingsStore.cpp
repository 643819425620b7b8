// SettingsStore.cpp - the parts of the settings store that both systems share.
#include "platform/SettingsStore.h"

namespace ovilux::platform {

SettingValue SettingValue::Dword(std::string name, uint32_t value) {
    return SettingValue{std::move(name), SettingType::Dword,
                        {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                         static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)}};
}

SettingValue SettingValue::Binary(std::string name, std::vector<uint8_t> bytes) {
    return SettingValue{std::move(name), SettingType::Binary, std::move(bytes)};
}

std::optional<uint32_t> SettingValue::AsDword() const {
    if (type != SettingType::Dword || data.size() != 4) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
           static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
}

}  // namespace ovilux::platform
