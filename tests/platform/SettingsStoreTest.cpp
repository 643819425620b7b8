// The settings store on this system (the registry under Wine, SQLite elsewhere): keys and
// typed values as the registry keeps them, whole stores from two processes at once, and on
// POSIX where the file lives, its modes, a damaged file kept aside and a writer killed mid-store.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/SettingsStore.h"
#include "support/ChildProcess.h"
#include "support/ScratchSettingsStore.h"
#include "support/Patience.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#endif

namespace ovilux::platform {
namespace {

using Values = std::vector<SettingValue>;

std::optional<uint32_t> DwordOf(const std::optional<Values>& values, const std::string& name) {
    if (values) {
        for (const SettingValue& value : *values) {
            if (value.name.size() == name.size() &&
                std::equal(name.begin(), name.end(), value.name.begin(),
                           [](char a, char b) { return std::tolower(a) == std::tolower(b); })) {
                return value.AsDword();
            }
        }
    }
    return std::nullopt;
}

TEST(SettingsStore, KeysValuesAndTreesBehaveAsTheRegistry) {
    test::ScratchSettingsStore fresh(true);
    SettingsStore store;
    ASSERT_TRUE(store.IsOpen());
    EXPECT_FALSE(store.ReadKey("")) << "opening creates nothing";
    const std::vector<uint8_t> eight = {1, 2, 3, 4, 5, 6, 7, 0xF8};
    ASSERT_TRUE(store.Write({"",
                             {{"Camera_01\\Gain", {SettingValue::Dword("Global", 0xFFFFFFF6u), SettingValue::Binary("ExposureEx", eight)}},
                              {"Camera_0\\Gain", {SettingValue::Dword("Global", 5)}},
                              {"Camera_01\\Size_00", {}}}}));
    const std::vector<std::pair<std::string, size_t>> keys = {
        {"", 0}, {"Camera_01", 0}, {"Camera_01\\Gain", 2}, {"camera_01\\GAIN", 2}, {"Camera_01\\Size_00", 0}};
    for (const auto& [path, count] : keys) {
        const std::optional<Values> values = store.ReadKey(path);
        ASSERT_TRUE(values) << "key \"" << path << "\" and its parents exist";
        EXPECT_EQ(values->size(), count) << path;
    }
    EXPECT_FALSE(store.ReadKey("Camera_02"));
    const std::optional<Values> gain = store.ReadKey("Camera_01\\Gain");
    EXPECT_EQ(DwordOf(gain, "global"), 0xFFFFFFF6u);
    EXPECT_EQ(gain->at(0).name, "ExposureEx");
    EXPECT_EQ(gain->at(0).type, SettingType::Binary);
    EXPECT_EQ(gain->at(0).data, eight);
    EXPECT_EQ(store.SubKeys(""), (std::vector<std::string>{"Camera_0", "Camera_01"}));
    EXPECT_EQ(store.SubKeys("Camera_01"), (std::vector<std::string>{"Gain", "Size_00"}));

    // A value written again replaces the old one whatever its case; the others stay.
    ASSERT_TRUE(store.Write({"", {{"Camera_01\\Gain", {SettingValue::Dword("GLOBAL", 7)}}}}));
    EXPECT_EQ(store.ReadKey("Camera_01\\Gain")->size(), 2u);
    EXPECT_EQ(DwordOf(store.ReadKey("Camera_01\\Gain"), "Global"), 7u);

    // Removing a tree takes exactly it: not a sibling whose name starts the same.
    ASSERT_TRUE(store.Write({"Camera_0", {}}));
    EXPECT_FALSE(store.ReadKey("Camera_0"));
    EXPECT_FALSE(store.ReadKey("Camera_0\\Gain"));
    EXPECT_TRUE(store.ReadKey("Camera_01\\Gain"));
    EXPECT_EQ(store.SubKeys(""), (std::vector<std::string>{"Camera_01"}));
}

// Child: stores a pair of equal values many times under its own key, reading each back.
const bool kWriterRole = test::RegisterChildRole("settings-writer", [](const std::vector<std::string>& args) {
    const std::string key = args.at(0) + "\\Gain";
    const int count = std::atoi(args.at(1).c_str());
    for (int i = 0; i < count; ++i) {
        SettingsStore store;
        const auto n = static_cast<uint32_t>(i);
        if (!store.Write({"", {{key, {SettingValue::Dword("A", n), SettingValue::Dword("B", n)}}}})) {
            return 10;
        }
        const std::optional<Values> back = store.ReadKey(key);
        if (DwordOf(back, "A") != n || DwordOf(back, "B") != n) {
            return 11;
        }
    }
    return 0;
});

TEST(SettingsStore, TwoProcessesStoringAtOnceBothFinish) {
    test::ScratchSettingsStore fresh(true);
    int results[2] = {-1, -1};
    std::thread first([&] { results[0] = test::RunChild("settings-writer", {"Camera_00", "40"}); });
    std::thread second([&] { results[1] = test::RunChild("settings-writer", {"Camera_01", "40"}); });
    first.join();
    second.join();
    EXPECT_EQ(results[0], 0);
    EXPECT_EQ(results[1], 0);
    SettingsStore store;
    EXPECT_EQ(DwordOf(store.ReadKey("Camera_00\\Gain"), "B"), 39u);
    EXPECT_EQ(DwordOf(store.ReadKey("Camera_01\\Gain"), "B"), 39u);
}

#ifdef _WIN32

TEST(SettingsStore, WithoutAnOverrideTheRootIsTheSdkKeyOfTheCurrentUser) {
    char previous[1024] = {};
    const DWORD length = GetEnvironmentVariableA("OVILUX_REGISTRY", previous, sizeof previous);
    SetEnvironmentVariableA("OVILUX_REGISTRY", nullptr);
    EXPECT_EQ(SettingsStore::Location(), "HKEY_CURRENT_USER\\Software\\Tesmor\\OviluxM03UXSdk");
    const std::string root = "Software\\Tesmor\\OviluxM03UXSdk";
    const std::string mine = "Test_" + std::to_string(GetCurrentProcessId());
    const std::string full = root + "\\" + mine;
    HKEY existing = nullptr;
    const bool rootExisted = RegOpenKeyExA(HKEY_CURRENT_USER, root.c_str(), 0, KEY_READ, &existing) == ERROR_SUCCESS;
    if (rootExisted) {
        RegCloseKey(existing);
    }
    SettingsStore store;
    EXPECT_TRUE(store.Write({"", {{mine, {SettingValue::Dword("Value", 1234)}}}}));
    HKEY key = nullptr;
    DWORD type = 0, value = 0, size = sizeof value;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, full.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(key, "Value", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(value, 1234u);
    RegDeleteTreeA(HKEY_CURRENT_USER, full.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, full.c_str());
    if (!rootExisted) {
        RegDeleteKeyA(HKEY_CURRENT_USER, root.c_str());
    }
    if (length > 0) {
        SetEnvironmentVariableA("OVILUX_REGISTRY", previous);
    }
}

#else

// Sets or clears environment variables for one test, putting the old values back.
class Environment {
public:
    void Set(const char* name, const char* value) {
        const char* old = std::getenv(name);
        saved_.push_back({name, old != nullptr ? std::optional<std::string>(old) : std::nullopt});
        value != nullptr ? setenv(name, value, 1) : unsetenv(name);
    }
    ~Environment() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            it->second ? setenv(it->first.c_str(), it->second->c_str(), 1) : unsetenv(it->first.c_str());
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST(SettingsStore, TheFileIsFoundByTheEnvironmentAndKeptPrivate) {
    struct Case {
        const char* registry;
        const char* xdg;
        std::string expected;
    };
    const std::string home = "/home/someone";
    const std::vector<Case> cases = {
        {"/tmp/x/own.sqlite3", "/cfg", "/tmp/x/own.sqlite3"},
        {nullptr, "/cfg", "/cfg/ovilux/registry.sqlite3"},
        {nullptr, "relative/cfg", home + "/.config/ovilux/registry.sqlite3"},
        {nullptr, nullptr, home + "/.config/ovilux/registry.sqlite3"},
    };
    for (const Case& c : cases) {
        Environment environment;
        environment.Set("OVILUX_REGISTRY", c.registry);
        environment.Set("XDG_CONFIG_HOME", c.xdg);
        environment.Set("HOME", home.c_str());
        EXPECT_EQ(SettingsStore::Location(), c.expected);
    }

    test::ScratchSettingsStore scratch(true);
    const std::string folder = std::filesystem::path(std::getenv("OVILUX_REGISTRY")).parent_path().string();
    Environment environment;
    environment.Set("OVILUX_REGISTRY", nullptr);
    environment.Set("XDG_CONFIG_HOME", (folder + "/config").c_str());
    SettingsStore store;
    ASSERT_TRUE(store.Write({"", {{"Camera_00", {SettingValue::Dword("Color", 2)}}}}));
    struct stat info {};
    ASSERT_EQ(stat((folder + "/config/ovilux").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_EQ(stat((folder + "/config/ovilux/registry.sqlite3").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(SettingsStore, ADamagedFileIsKeptAsideAndAFreshStoreStarts) {
    test::ScratchSettingsStore scratch(true);
    const std::filesystem::path path = std::getenv("OVILUX_REGISTRY");
    const std::string damaged(4096, 'x');
    std::ofstream(path, std::ios::binary) << damaged;
    {
        SettingsStore store;
        ASSERT_TRUE(store.IsOpen());
        EXPECT_FALSE(store.ReadKey(""));
        EXPECT_TRUE(store.Write({"", {{"Camera_00", {SettingValue::Dword("Color", 2)}}}}));
    }
    int kept = 0;
    for (const auto& entry : std::filesystem::directory_iterator(path.parent_path())) {
        if (entry.path().filename().string().rfind("registry.sqlite3.corrupt-", 0) == 0) {
            std::ostringstream content;
            content << std::ifstream(entry.path(), std::ios::binary).rdbuf();
            EXPECT_EQ(content.str(), damaged) << "the damaged file is kept as it was";
            ++kept;
        }
    }
    EXPECT_EQ(kept, 1);
    EXPECT_EQ(DwordOf(SettingsStore().ReadKey("Camera_00"), "Color"), 2u);
}

TEST(SettingsStore, AWriterKilledMidStoreLeavesWholeStores) {
    test::ScratchSettingsStore scratch(true);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        for (uint32_t i = 1;; ++i) {
            SettingsStore store;
            KeyWrite write{"Camera_00\\Gain", {}};
            for (int v = 0; v < 50; ++v) {
                write.values.push_back(SettingValue::Dword("V" + std::to_string(v), i));
            }
            store.Write({"", {write}});
        }
    }
    SettingsStore reader;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(test::PatienceMs(20000));
    while (DwordOf(reader.ReadKey("Camera_00\\Gain"), "V49").value_or(0) < 3 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    SettingsStore store;
    const std::optional<Values> values = store.ReadKey("Camera_00\\Gain");
    ASSERT_TRUE(values);
    ASSERT_EQ(values->size(), 50u);
    const std::optional<uint32_t> first = values->front().AsDword();
    EXPECT_GE(first.value_or(0), 3u);
    for (const SettingValue& value : *values) {
        EXPECT_EQ(value.AsDword(), first) << value.name << ": every store is whole";
    }
    EXPECT_TRUE(store.Write({"", {{"Camera_00", {SettingValue::Dword("Color", 2)}}}}));
}

#endif

}  // namespace
}  // namespace ovilux::platform
