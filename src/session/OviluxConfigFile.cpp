// OviluxConfigFile.cpp - a session's configuration pairs, read from a configuration file.
#include "platform/CriticalSection.h"
#include "platform/TextCodec.h"
#include "session/ConfigFile.h"
#include "session/Ovilux.h"

namespace ovilux::session {

int32_t COvilux::LoadConfigFile(const char* fileName) {
    std::optional<ConfigPairs> pairs = ReadConfigFile(fileName);
    if (!pairs) {
        return 0;
    }
    platform::CriticalSectionLock images(imageLock_);
    configPairs_ = std::move(*pairs);
    return 1;
}

int32_t COvilux::LoadConfigFileW(const char16_t* fileName) {
    char name[kFileNameBytes];
    if (fileName == nullptr || platform::WideToAnsi(fileName, name, kFileNameBytes) == 0) {
        RecordError(code::kConversion);
        return 0;
    }
    return LoadConfigFile(name);
}

}  // namespace ovilux::session
