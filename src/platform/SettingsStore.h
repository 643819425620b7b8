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
    // The current user's store. Nothing is created until something is written: reads of a
    // fresh store find nothing. Reads never need write permission.
    SettingsStore();
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // False when the store cannot be used at all (every read then finds nothing).
    bool IsOpen() const;
    // True once a read could not tell what the store holds (unreachable, or damaged and not
    // set aside): a key it did not find may still exist, so nothing may be written in its place.
    bool ReadFailed() const;
    // The values of a key in one consistent read; nullopt when the key does not exist.
    std::optional<std::vector<SettingValue>> ReadKey(const std::string& path);
    // The names of a key's direct sub-keys, sorted; empty when there are none or no key.
    std::vector<std::string> SubKeys(const std::string& path);
    bool Write(const StoreBatch& batch);

    // Where the store lives, for people: a file path or a registry key.
    static std::string Location();
    // True when OVILUX_SETTINGS=defaults asks that sessions run on the factory settings and
    // leave the store alone.
    static bool FactorySettingsRequested();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace ovilux::platform
