// SystemLanguage.h - the system's default language id, which picks the dialogs' language.
#pragma once

#include <cstdint>

namespace ovilux::platform {

constexpr uint16_t kLangJapanese = 1041;
constexpr uint16_t kLangEnglishUs = 1033;

// 1041 for a Japanese system (on POSIX, a locale starting with "ja"), else 1033.
uint16_t SystemDefaultLangId();

}  // namespace ovilux::platform
