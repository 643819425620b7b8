// SettingsStore.cpp - the settings tree in the registry under HKEY_CURRENT_USER.
//
// OVILUX_REGISTRY, when set, names another key below HKEY_CURRENT_USER to use as the root, so
// that tests and trials never touch a user's real settings.
#include "platform/SettingsStore.h"

#include <windows.h>

#include <algorithm>

#include "platform/DebugOutput.h"

namespace ovilux::platform {

namespace {

constexpr const char* kRootKey = "Software\\Tesmor\\OviluxM03UXSdk";
// The registry's own limits on key and value names.
constexpr DWORD kMaxKeyName = 256;
constexpr DWORD kMaxValueName = 16384;

std::string RootPath() {
    char buffer[1024] = {};
    const DWORD length = GetEnvironmentVariableA("OVILUX_REGISTRY", buffer, sizeof buffer);
    return length > 0 && length < sizeof buffer ? std::string(buffer, length) : kRootKey;
}

std::string FullPath(const std::string& path) { return path.empty() ? RootPath() : RootPath() + "\\" + path; }

void Debug(const std::string& text, LSTATUS status) {
    DebugOutput(("ovilux settings: " + text + " (registry error " + std::to_string(status) + ")\n").c_str());
}

// An open key, closed on scope exit.
class Key {
public:
    ~Key() {
        if (key_ != nullptr) {
            RegCloseKey(key_);
        }
    }
    LSTATUS Open(const std::string& path) { return RegOpenKeyExA(HKEY_CURRENT_USER, FullPath(path).c_str(), 0, KEY_READ, &key_); }
    LSTATUS Create(const std::string& path) {
        return RegCreateKeyExA(HKEY_CURRENT_USER, FullPath(path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                               nullptr);
    }
    HKEY Handle() const { return key_; }

private:
    HKEY key_ = nullptr;
};

}  // namespace

struct SettingsStore::Impl {
    bool readFailed = false;
};

SettingsStore::SettingsStore() : impl_(std::make_unique<Impl>()) {}
SettingsStore::~SettingsStore() = default;

bool SettingsStore::IsOpen() const { return true; }

bool SettingsStore::ReadFailed() const { return impl_->readFailed; }

std::optional<std::vector<SettingValue>> SettingsStore::ReadKey(const std::string& path) {
    Key key;
    if (const LSTATUS status = key.Open(path); status != ERROR_SUCCESS) {
        // A missing key is simply not there yet; any other failure leaves what it holds unknown.
        if (status != ERROR_FILE_NOT_FOUND && status != ERROR_PATH_NOT_FOUND) {
            Debug("cannot open " + FullPath(path), status);
            impl_->readFailed = true;
        }
        return std::nullopt;
    }
    std::vector<SettingValue> values;
    std::vector<char> name(kMaxValueName + 1);
    std::vector<uint8_t> data(64);
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = kMaxValueName + 1;
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(data.size());
        LSTATUS status = RegEnumValueA(key.Handle(), index, name.data(), &nameLength, nullptr, &type, data.data(), &size);
        if (status == ERROR_MORE_DATA) {
            data.resize(size);
            nameLength = kMaxValueName + 1;
            status = RegEnumValueA(key.Handle(), index, name.data(), &nameLength, nullptr, &type, data.data(), &size);
        }
        if (status == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (status != ERROR_SUCCESS) {
            Debug("cannot read a value of " + FullPath(path), status);
            impl_->readFailed = true;
            break;
        }
        // Values of other types are someone else's; the settings never use them.
        if (type == REG_DWORD || type == REG_BINARY) {
            values.push_back({std::string(name.data(), nameLength), static_cast<SettingType>(type),
                              std::vector<uint8_t>(data.begin(), data.begin() + size)});
        }
    }
    // Names in the order the registry compares them, without case, as the SQLite store gives them.
    std::sort(values.begin(), values.end(),
              [](const SettingValue& a, const SettingValue& b) { return _stricmp(a.name.c_str(), b.name.c_str()) < 0; });
    return values;
}

std::vector<std::string> SettingsStore::SubKeys(const std::string& path) {
    std::vector<std::string> names;
    Key key;
    if (key.Open(path) != ERROR_SUCCESS) {
        return names;
    }
    char name[kMaxKeyName + 1];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key.Handle(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool SettingsStore::Write(const StoreBatch& batch) {
    if (!batch.removeTree.empty()) {
        const LSTATUS status = RegDeleteTreeA(HKEY_CURRENT_USER, FullPath(batch.removeTree).c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
            Debug("cannot remove " + FullPath(batch.removeTree), status);
            return false;
        }
        RegDeleteKeyA(HKEY_CURRENT_USER, FullPath(batch.removeTree).c_str());
    }
    for (const KeyWrite& write : batch.writes) {
        Key key;
        LSTATUS status = key.Create(write.path);
        if (status != ERROR_SUCCESS) {
            Debug("cannot create " + FullPath(write.path), status);
            return false;
        }
        for (const SettingValue& value : write.values) {
            status = RegSetValueExA(key.Handle(), value.name.c_str(), 0, static_cast<DWORD>(value.type),
                                    value.data.data(), static_cast<DWORD>(value.data.size()));
            if (status != ERROR_SUCCESS) {
                Debug("cannot write " + value.name + " in " + FullPath(write.path), status);
                return false;
            }
        }
    }
    return true;
}

std::string SettingsStore::Location() { return "HKEY_CURRENT_USER\\" + RootPath(); }

bool SettingsStore::FactorySettingsRequested() {
    char buffer[16] = {};
    const DWORD length = GetEnvironmentVariableA("OVILUX_SETTINGS", buffer, sizeof buffer);
    return length < sizeof buffer && std::string(buffer, length) == "defaults";
}

}  // namespace ovilux::platform
