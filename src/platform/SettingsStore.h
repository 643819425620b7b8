// SettingsStore.h - the user's settings tree in the registry's shape: keys named by paths
// below one root ("Camera_00\Size_00", "" for the root itself), each holding typed values.
// On Windows it is the registry under HKEY_CURRENT_USER; elsewhere one SQLite database that
// several processes read and write at once.
//
// Failures are never thrown: a read of something missing or unreadable gives nullopt or an
// empty list, a write that did not happen returns false, and the reason goes to debug output.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ovilux::platform {

// The two value types the settings use, numbered as the registry numbers them.
enum class SettingType : uint32_t { Binary = 3, Dword = 4 };

struct SettingValue {
    std::string name;
    SettingType type = SettingType::Dword;
    std::vector<uint8_t> data;  // a Dword is 4 bytes, little-endian

    static SettingValue Dword(std::string name, uint32_t value);
    static SettingValue Binary(std::string name, std::vector<uint8_t> bytes);
    // The value of a well-formed Dword; nullopt for another type or size.
    std::optional<uint32_t> AsDword() const;
};

// The values of one key to create (with its missing parents) and write.
struct KeyWrite {
    std::string path;
    std::vector<SettingValue> values;
};

// One store: an optional key tree removed first, then the writes. The SQLite store applies it
// as one transaction; the registry applies it value by value.
struct StoreBatch {
    std::string removeTree;  // empty: remove nothing (the root itself is never removed)
    std::vector<KeyWrite> writes;
};

class SettingsStore {
public:
    // Opens the current user's store. Opening never creates keys: reads of a fresh store find
    // nothing until something is written.
    SettingsStore();
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // False when the store could not be reached at all (every read then finds nothing).
    bool IsOpen() const;
    // The values of a key in one consistent read; nullopt when the key does not exist.
    std::optional<std::vector<SettingValue>> ReadKey(const std::string& path);
    // The names of a key's direct sub-keys, sorted; empty when there are none or no key.
    std::vector<std::string> SubKeys(const std::string& path);
    bool Write(const StoreBatch& batch);

    // Where the store lives, for people: a file path or a registry key.
    static std::string Location();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace ovilux::platform
