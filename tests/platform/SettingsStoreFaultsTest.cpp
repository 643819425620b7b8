// The SQLite settings store when its file is not what it should be: a folder or a file this
// user may not write, a file that becomes writable again, a page damaged inside a valid file,
// and two processes storing while a third reads. Root ignores file modes, so the cases about
// permissions run in a child process as the user nobody when the tests run as root.
#include <gtest/gtest.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/SettingsStore.h"
#include "support/ChildProcess.h"
#include "support/Patience.h"

namespace ovilux::platform {
namespace {

namespace fs = std::filesystem;

std::optional<uint32_t> DwordIn(const std::optional<std::vector<SettingValue>>& values, const std::string& name) {
    if (values) {
        for (const SettingValue& value : *values) {
            if (value.name == name) {
                return value.AsDword();
            }
        }
    }
    return std::nullopt;
}

std::optional<uint32_t> DwordOf(SettingsStore& store, const std::string& key, const std::string& name) {
    return DwordIn(store.ReadKey(key), name);
}

bool Store(const std::string& key, const std::string& name, uint32_t value) {
    SettingsStore store;
    return store.Write({"", {{key, {SettingValue::Dword(name, value)}}}});
}

std::string FileBytes(const fs::path& path) {
    std::ostringstream content;
    content << std::ifstream(path, std::ios::binary).rdbuf();
    return content.str();
}

// A folder of its own with OVILUX_REGISTRY pointing at a store inside it; everyone may enter it.
class StoreFolder {
public:
    StoreFolder() {
        std::string pattern = (fs::temp_directory_path() / "ovilux-store-XXXXXX").string();
        folder_ = mkdtemp(pattern.data());
        fs::permissions(folder_, fs::perms(0755));
        file_ = folder_ / "registry.sqlite3";
        const char* previous = std::getenv("OVILUX_REGISTRY");
        previous_ = previous != nullptr ? std::optional<std::string>(previous) : std::nullopt;
        setenv("OVILUX_REGISTRY", file_.c_str(), 1);
    }
    ~StoreFolder() {
        fs::permissions(folder_, fs::perms(0700));
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
        if (previous_) {
            setenv("OVILUX_REGISTRY", previous_->c_str(), 1);
        } else {
            unsetenv("OVILUX_REGISTRY");
        }
    }
    const fs::path& Folder() const { return folder_; }
    const fs::path& File() const { return file_; }
    // Hands the folder (and the store, when there is one) to the user the child runs as.
    void GiveToChildUser() const {
        if (const passwd* nobody = geteuid() == 0 ? getpwnam("nobody") : nullptr) {
            for (const fs::path& path : {folder_, file_}) {
                if (fs::exists(path)) {
                    EXPECT_EQ(chown(path.c_str(), nobody->pw_uid, nobody->pw_gid), 0) << path;
                }
            }
        }
    }

private:
    fs::path folder_;
    fs::path file_;
    std::optional<std::string> previous_;
};

// Runs body in a forked child whose file modes bind (as nobody when this process is root);
// its result, or 100 and up when the child could not become unprivileged.
int RunUnprivileged(const std::function<int()>& body) {
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0) {
            const passwd* nobody = getpwnam("nobody");
            if (nobody == nullptr || setgroups(0, nullptr) != 0 || setgid(nobody->pw_gid) != 0 ||
                setuid(nobody->pw_uid) != 0) {
                _exit(100);
            }
        }
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 101;
}

TEST(SettingsStoreFaults, AReadOnlyFolderIsReadAndStoresFailLeavingItIntact) {
    StoreFolder folder;
    ASSERT_TRUE(Store("Camera_00\\Gain", "Global", 40));
    fs::permissions(folder.File(), fs::perms(0644));
    fs::permissions(folder.Folder(), fs::perms(0555));
    const std::string before = FileBytes(folder.File());
    const int result = RunUnprivileged([] {
        SettingsStore store;
        if (DwordOf(store, "Camera_00\\Gain", "Global") != 40u || store.ReadFailed()) {
            return 1;  // the settings were not loaded
        }
        if (store.Write({"", {{"Camera_00\\Gain", {SettingValue::Dword("Global", 7)}}}})) {
            return 2;  // a store claimed success in a folder it cannot write
        }
        return DwordOf(store, "Camera_00\\Gain", "Global") == 40u ? 0 : 3;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(FileBytes(folder.File()), before);
    EXPECT_FALSE(fs::exists(folder.File().string() + "-wal"));
}

TEST(SettingsStoreFaults, AReadOnlyFileIsReadAndStoresFailLeavingItIntact) {
    StoreFolder folder;
    ASSERT_TRUE(Store("Camera_00\\Gain", "Global", 40));
    folder.GiveToChildUser();
    fs::permissions(folder.File(), fs::perms(0444));
    const std::string before = FileBytes(folder.File());
    const int result = RunUnprivileged([] {
        SettingsStore store;
        if (DwordOf(store, "Camera_00\\Gain", "Global") != 40u) {
            return 1;
        }
        if (store.Write({"", {{"Camera_00\\Gain", {SettingValue::Dword("Global", 7)}}}})) {
            return 2;
        }
        // A new store object (a later session) still reads it.
        SettingsStore later;
        return DwordOf(later, "Camera_00\\Gain", "Global") == 40u && !later.ReadFailed() ? 0 : 3;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(FileBytes(folder.File()), before);
}

TEST(SettingsStoreFaults, StoresWorkAgainOnceTheFileIsWritableAgain) {
    StoreFolder folder;
    folder.GiveToChildUser();
    const std::string file = folder.File();
    const int result = RunUnprivileged([&] {
        if (!Store("Camera_00\\Gain", "Global", 40)) {
            return 1;
        }
        chmod(file.c_str(), 0400);
        {
            // A reader while the file is read-only leaves side files of the file's mode behind.
            SettingsStore store;
            if (DwordOf(store, "Camera_00\\Gain", "Global") != 40u || Store("Camera_00\\Gain", "Global", 7)) {
                return 2;
            }
            chmod(file.c_str(), 0600);
            if (!Store("Camera_00\\Gain", "Global", 8)) {
                return 3;  // writable again, yet refused (while a reader holds it open)
            }
        }
        if (!Store("Camera_00\\Gain", "Global", 9)) {
            return 4;
        }
        SettingsStore store;
        return DwordOf(store, "Camera_00\\Gain", "Global") == 9u ? 0 : 5;
    });
    EXPECT_EQ(result, 0);
}

// Overwrites one page in the middle of a valid store with noise; the header stays valid.
void DamageOnePage(const fs::path& file) {
    const auto size = fs::file_size(file);
    ASSERT_GE(size, 4u * 4096u) << "the store has several pages";
    std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
    stream.seekp(static_cast<std::streamoff>((size / 4096 / 2) * 4096));
    for (int i = 0; i < 4096; ++i) {
        stream.put(static_cast<char>((i * 151 + 7) & 0xFF));
    }
}

std::vector<fs::path> KeptAside(const fs::path& folder) {
    std::vector<fs::path> aside;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().rfind("registry.sqlite3.corrupt-", 0) == 0) {
            aside.push_back(entry.path());
        }
    }
    return aside;
}

void FillStore() {
    SettingsStore store;
    KeyWrite many{"Camera_00\\Filter", {}};
    for (int i = 0; i < 400; ++i) {
        many.values.push_back(SettingValue::Dword("Value" + std::to_string(i), static_cast<uint32_t>(i)));
    }
    ASSERT_TRUE(store.Write({"", {many, {"Camera_00\\Gain", {SettingValue::Dword("Global", 40)}}}}));
}

TEST(SettingsStoreFaults, ADamagedPageIsFoundOnReadingSetAsideAndAFreshStoreStarts) {
    StoreFolder folder;
    FillStore();
    DamageOnePage(folder.File());
    const std::string damaged = FileBytes(folder.File());
    SettingsStore store;
    // Whatever key is read first, the damage is found and the file goes aside.
    EXPECT_FALSE(store.ReadKey("Camera_01"));
    EXPECT_FALSE(store.ReadFailed()) << "the fresh store was read";
    const std::vector<fs::path> aside = KeptAside(folder.Folder());
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(FileBytes(aside[0]), damaged) << "the damaged file is kept as it was";
    EXPECT_TRUE(store.Write({"", {{"Camera_00\\Gain", {SettingValue::Dword("Global", 5)}}}}));
    EXPECT_EQ(DwordOf(store, "Camera_00\\Gain", "Global"), 5u);
}

TEST(SettingsStoreFaults, ADamagedPageIsFoundOnStoringAndTheStoreGoesToAFreshFile) {
    StoreFolder folder;
    FillStore();
    DamageOnePage(folder.File());
    EXPECT_TRUE(Store("Camera_00\\Gain", "Global", 6));
    EXPECT_EQ(KeptAside(folder.Folder()).size(), 1u);
    SettingsStore store;
    EXPECT_EQ(DwordOf(store, "Camera_00\\Gain", "Global"), 6u);
    EXPECT_FALSE(store.ReadKey("Camera_00\\Filter")) << "nothing of the damaged file is mixed in";
}

TEST(SettingsStoreFaults, ADamagedStoreThatCannotBeSetAsideIsNeitherReadNorWritten) {
    StoreFolder folder;
    FillStore();
    DamageOnePage(folder.File());
    fs::permissions(folder.File(), fs::perms(0644));
    fs::permissions(folder.Folder(), fs::perms(0555));
    const std::string damaged = FileBytes(folder.File());
    const int result = RunUnprivileged([] {
        SettingsStore store;
        if (store.ReadKey("") || !store.ReadFailed()) {
            return 1;  // a read of a damaged store that stayed in place must say it failed
        }
        return store.Write({"", {{"Camera_00\\Gain", {SettingValue::Dword("Global", 5)}}}}) ? 2 : 0;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(FileBytes(folder.File()), damaged);
}

// Child: stores pairs of equal values under its own key.
const bool kPairWriterRole = test::RegisterChildRole("settings-pair-writer", [](const std::vector<std::string>& args) {
    for (uint32_t i = 1; i <= 60; ++i) {
        SettingsStore store;
        if (!store.Write({"", {{args.at(0), {SettingValue::Dword("A", i), SettingValue::Dword("B", i)}}}})) {
            return 10;
        }
    }
    return 0;
});

// Child: reads both writers' keys until both reached their last pair; every read is whole.
const bool kPairReaderRole = test::RegisterChildRole("settings-pair-reader", [](const std::vector<std::string>&) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(test::PatienceMs(60000));
    uint32_t last[2] = {0, 0};
    while (std::min(last[0], last[1]) < 60 && std::chrono::steady_clock::now() < deadline) {
        SettingsStore store;
        for (int writer = 0; writer < 2; ++writer) {
            const std::string key = "Camera_0" + std::to_string(writer) + "\\Gain";
            const std::optional<std::vector<SettingValue>> pair = store.ReadKey(key);
            const std::optional<uint32_t> a = DwordIn(pair, "A");
            if (a != DwordIn(pair, "B") || store.ReadFailed()) {
                return 20;  // a half-made store, or a failed read
            }
            if (a.value_or(0) < last[writer]) {
                return 21;  // went back in time
            }
            last[writer] = a.value_or(0);
        }
    }
    return std::min(last[0], last[1]) == 60 ? 0 : 22;
});

TEST(SettingsStoreFaults, TwoProcessesStoringWhileAThirdReadsSeeOnlyWholeStores) {
    StoreFolder folder;
    ASSERT_TRUE(Store("Camera_09", "Color", 2));
    int results[3] = {-1, -1, -1};
    std::thread reader([&] { results[2] = test::RunChild("settings-pair-reader", {}); });
    std::thread first([&] { results[0] = test::RunChild("settings-pair-writer", {"Camera_00\\Gain"}); });
    std::thread second([&] { results[1] = test::RunChild("settings-pair-writer", {"Camera_01\\Gain"}); });
    first.join();
    second.join();
    reader.join();
    EXPECT_EQ(results[0], 0);
    EXPECT_EQ(results[1], 0);
    EXPECT_EQ(results[2], 0);
}

}  // namespace
}  // namespace ovilux::platform
