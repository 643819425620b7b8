// SystemLanguage.cpp - the language id from the locale variables, in the order the C library reads them.
#include "platform/SystemLanguage.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace ovilux::platform {

uint16_t SystemDefaultLangId() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            return std::strncmp(value, "ja", 2) == 0 ? kLangJapanese : kLangEnglishUs;
        }
    }
    return kLangEnglishUs;
}

}  // namespace ovilux::platform
