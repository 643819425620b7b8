// SystemLanguage.cpp - the system's default language as Windows reports it, folded to the two
// languages the library carries.
#include "platform/SystemLanguage.h"

#include <windows.h>

namespace ovilux::platform {

uint16_t SystemDefaultLangId() {
    return GetSystemDefaultLangID() == kLangJapanese ? kLangJapanese : kLangEnglishUs;
}

}  // namespace ovilux::platform
