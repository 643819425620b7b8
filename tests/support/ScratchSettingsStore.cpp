// ScratchSettingsStore.cpp - a scratch folder with the SQLite store, or a scratch registry key.
#include "support/ScratchSettingsStore.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace ovilux::test {

namespace {

constexpr const char* kVariable = "OVILUX_REGISTRY";

std::string Variable() { return EnvironmentValue(kVariable); }

void SetVariable(const std::string& value) { SetEnvironmentValue(kVariable, value); }

#ifdef _WIN32
void RemoveKey(const std::string& key) {
    RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
}
#endif

}  // namespace

std::string EnvironmentValue(const char* name) {
#ifdef _WIN32
    char value[1024] = {};
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length < sizeof value ? std::string(value, length) : "";
#else
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
#endif
}

void SetEnvironmentValue(const char* name, const std::string& value) {
#ifdef _WIN32
    SetEnvironmentVariableA(name, value.empty() ? nullptr : value.c_str());
#else
    value.empty() ? unsetenv(name) : setenv(name, value.c_str(), 1);
#endif
}

ScratchSettingsStore::ScratchSettingsStore(bool replace) : previous_(Variable()) {
    if (!previous_.empty() && !replace) {
        return;
    }
#ifdef _WIN32
    static std::atomic<int> serial{0};
    made_ = "Software\\Tesmor\\OviluxM03UXSdk-test-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(serial++);
    RemoveKey(made_);
    SetVariable(made_);
#else
    std::error_code error;
    std::string folder = (std::filesystem::temp_directory_path(error) / "ovilux-settings-XXXXXX").string();
    if (error || mkdtemp(folder.data()) == nullptr) {
        return;
    }
    made_ = folder;
    SetVariable(folder + "/registry.sqlite3");
#endif
}

ScratchSettingsStore::~ScratchSettingsStore() {
    if (made_.empty()) {
        return;
    }
    SetVariable(previous_);
#ifdef _WIN32
    RemoveKey(made_);
#else
    std::error_code ignored;
    std::filesystem::remove_all(made_, ignored);
#endif
}

}  // namespace ovilux::test
