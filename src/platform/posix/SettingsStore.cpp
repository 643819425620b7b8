// SettingsStore.cpp - the settings tree in one SQLite database per user.
//
// The database runs in WAL mode with a busy timeout, so processes read while another writes
// and writers queue instead of failing; every batch is one transaction, so a process that
// dies mid-store leaves the previous values whole. Key and value names compare without case,
// as the registry's do. A file that is not a database is renamed aside, never deleted: it may
// be the user's only copy of their settings.
#include "platform/SettingsStore.h"

#include <fcntl.h>
#include <pwd.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <thread>

#include "platform/DebugOutput.h"

namespace ovilux::platform {

namespace {

constexpr int kBusyTimeoutMs = 5000;
// Creating the schema of a brand-new file can meet another process doing the same.
constexpr int kSetupAttempts = 50;
constexpr auto kSetupRetryPause = std::chrono::milliseconds(20);

constexpr const char* kSchema =
    "PRAGMA journal_mode=WAL;"
    "PRAGMA synchronous=NORMAL;"
    "CREATE TABLE IF NOT EXISTS keys(path TEXT PRIMARY KEY COLLATE NOCASE) WITHOUT ROWID;"
    "CREATE TABLE IF NOT EXISTS settings(path TEXT NOT NULL COLLATE NOCASE, name TEXT NOT NULL COLLATE NOCASE,"
    " type INTEGER NOT NULL, data BLOB NOT NULL, PRIMARY KEY(path, name)) WITHOUT ROWID;";

void Debug(const std::string& text) { DebugOutput(("ovilux settings: " + text + "\n").c_str()); }

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string HomeFolder() {
    std::string home = EnvironmentValue("HOME");
    if (home.empty()) {
        if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
            home = entry->pw_dir;
        }
    }
    return home;
}

std::string StorePath() {
    if (std::string path = EnvironmentValue("OVILUX_REGISTRY"); !path.empty()) {
        return path;
    }
    // A relative XDG_CONFIG_HOME is invalid and must be ignored.
    if (std::string config = EnvironmentValue("XDG_CONFIG_HOME"); !config.empty() && config[0] == '/') {
        return config + "/ovilux/registry.sqlite3";
    }
    const std::string home = HomeFolder();
    return home.empty() ? "" : home + "/.config/ovilux/registry.sqlite3";
}

// Creates the missing folders above a file, private to the user.
void MakeParentFolders(const std::string& file) {
    for (size_t slash = file.find('/', 1); slash != std::string::npos; slash = file.find('/', slash + 1)) {
        if (mkdir(file.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST) {
            Debug("cannot create the folder " + file.substr(0, slash));
            return;
        }
    }
}

// A new file is made 0600 before SQLite sees it; its WAL and shared-memory files take the same mode.
void CreatePrivateFile(const std::string& file) {
    const int fd = open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0) {
        close(fd);
    }
}

std::string AsideSuffix() {
    char stamp[32] = {};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    return std::string(".corrupt-") + stamp + "-" + std::to_string(static_cast<long>(getpid()));
}

bool IsDamaged(int result) { return result == SQLITE_NOTADB || result == SQLITE_CORRUPT; }

// A prepared statement, finalised on scope exit.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) { result_ = sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr); }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool Ok() const { return result_ == SQLITE_OK; }
    Statement& Text(int index, const std::string& text) {
        sqlite3_bind_text(statement_, index, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& Blob(int index, const std::vector<uint8_t>& bytes) {
        // A zero-length value still needs a non-null pointer to stay a blob rather than NULL.
        static const uint8_t kNone = 0;
        sqlite3_bind_blob(statement_, index, bytes.empty() ? &kNone : bytes.data(), static_cast<int>(bytes.size()),
                          SQLITE_TRANSIENT);
        return *this;
    }
    Statement& Int(int index, int64_t value) {
        sqlite3_bind_int64(statement_, index, value);
        return *this;
    }
    // SQLITE_ROW, SQLITE_DONE or an error.
    int Step() { return Ok() ? sqlite3_step(statement_) : result_; }
    std::string ColumnText(int column) const {
        const unsigned char* text = sqlite3_column_text(statement_, column);
        return text != nullptr ? reinterpret_cast<const char*>(text) : "";
    }
    int64_t ColumnInt(int column) const { return sqlite3_column_int64(statement_, column); }
    std::vector<uint8_t> ColumnBlob(int column) const {
        const auto* bytes = static_cast<const uint8_t*>(sqlite3_column_blob(statement_, column));
        const int size = sqlite3_column_bytes(statement_, column);
        return bytes != nullptr ? std::vector<uint8_t>(bytes, bytes + size) : std::vector<uint8_t>{};
    }

private:
    sqlite3_stmt* statement_ = nullptr;
    int result_ = SQLITE_ERROR;
};

bool IsBelow(const std::string& path, const std::string& ancestor) {
    if (ancestor.empty()) {
        return !path.empty();
    }
    return path.size() > ancestor.size() && path[ancestor.size()] == '\\' &&
           sqlite3_strnicmp(path.c_str(), ancestor.c_str(), static_cast<int>(ancestor.size())) == 0;
}

}  // namespace

struct SettingsStore::Impl {
    sqlite3* db = nullptr;

    ~Impl() { Close(); }
    void Close() {
        sqlite3_close_v2(db);
        db = nullptr;
    }

    // 0 when ready, else SQLite's result of the failed step.
    int Open(const std::string& path) {
        MakeParentFolders(path);
        CreatePrivateFile(path);
        int result = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        if (result != SQLITE_OK) {
            return result;
        }
        sqlite3_busy_timeout(db, kBusyTimeoutMs);
        for (int attempt = 0; attempt < kSetupAttempts; ++attempt) {
            result = sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr);
            if (result != SQLITE_BUSY && result != SQLITE_LOCKED) {
                break;
            }
            std::this_thread::sleep_for(kSetupRetryPause);
        }
        return result;
    }

    bool Exec(const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

    // Inserts the key and every key above it, the root included, as the registry creates them.
    bool CreateKey(const std::string& path) {
        std::vector<std::string> chain{""};
        for (size_t slash = path.find('\\'); slash != std::string::npos; slash = path.find('\\', slash + 1)) {
            chain.push_back(path.substr(0, slash));
        }
        chain.push_back(path);
        for (const std::string& key : chain) {
            Statement insert(db, "INSERT OR IGNORE INTO keys(path) VALUES(?1)");
            if (insert.Text(1, key).Step() != SQLITE_DONE) {
                return false;
            }
        }
        return true;
    }

    bool Apply(const StoreBatch& batch) {
        if (!batch.removeTree.empty()) {
            Statement keys(db,
                           "DELETE FROM keys WHERE path = ?1 OR substr(path, 1, length(?1) + 1) = ?1 || '\\' "
                           "COLLATE NOCASE");
            Statement values(db,
                             "DELETE FROM settings WHERE path = ?1 OR substr(path, 1, length(?1) + 1) = ?1 || "
                             "'\\' COLLATE NOCASE");
            if (keys.Text(1, batch.removeTree).Step() != SQLITE_DONE ||
                values.Text(1, batch.removeTree).Step() != SQLITE_DONE) {
                return false;
            }
        }
        for (const KeyWrite& write : batch.writes) {
            if (!CreateKey(write.path)) {
                return false;
            }
            for (const SettingValue& value : write.values) {
                Statement insert(db, "INSERT OR REPLACE INTO settings(path, name, type, data) VALUES(?1, ?2, ?3, ?4)");
                if (insert.Text(1, write.path)
                        .Text(2, value.name)
                        .Int(3, static_cast<int64_t>(value.type))
                        .Blob(4, value.data)
                        .Step() != SQLITE_DONE) {
                    return false;
                }
            }
        }
        return true;
    }
};

SettingsStore::SettingsStore() : impl_(std::make_unique<Impl>()) {
    const std::string path = StorePath();
    if (path.empty()) {
        Debug("no home folder, so no settings store");
        return;
    }
    const int result = impl_->Open(path);
    if (result == SQLITE_OK) {
        return;
    }
    impl_->Close();
    if (!IsDamaged(result)) {
        Debug("cannot open " + path + ": " + sqlite3_errstr(result));
        return;
    }
    const std::string suffix = AsideSuffix();
    for (const char* part : {"", "-wal", "-shm"}) {
        const std::string from = path + part;
        if (std::rename(from.c_str(), (from + suffix).c_str()) != 0 && errno != ENOENT && *part == '\0') {
            Debug(path + " is damaged and could not be moved aside");
            return;
        }
    }
    Debug(path + " was not a settings database; kept as " + path + suffix + ", starting a fresh one");
    if (impl_->Open(path) != SQLITE_OK) {
        impl_->Close();
        Debug("cannot start a fresh store at " + path);
    }
}

SettingsStore::~SettingsStore() = default;

bool SettingsStore::IsOpen() const { return impl_->db != nullptr; }

std::optional<std::vector<SettingValue>> SettingsStore::ReadKey(const std::string& path) {
    if (!IsOpen() || !impl_->Exec("BEGIN")) {
        return std::nullopt;
    }
    std::optional<std::vector<SettingValue>> found;
    Statement key(impl_->db, "SELECT 1 FROM keys WHERE path = ?1");
    if (key.Text(1, path).Step() == SQLITE_ROW) {
        found.emplace();
        Statement values(impl_->db, "SELECT name, type, data FROM settings WHERE path = ?1 ORDER BY name");
        values.Text(1, path);
        int step;
        while ((step = values.Step()) == SQLITE_ROW) {
            found->push_back({values.ColumnText(0), static_cast<SettingType>(values.ColumnInt(1)), values.ColumnBlob(2)});
        }
        if (step != SQLITE_DONE) {
            Debug(std::string("cannot read the key ") + path + ": " + sqlite3_errmsg(impl_->db));
            found.reset();
        }
    }
    impl_->Exec("COMMIT");
    return found;
}

std::vector<std::string> SettingsStore::SubKeys(const std::string& path) {
    std::vector<std::string> names;
    if (!IsOpen()) {
        return names;
    }
    Statement keys(impl_->db, "SELECT path FROM keys");
    while (keys.Step() == SQLITE_ROW) {
        const std::string key = keys.ColumnText(0);
        const size_t start = path.empty() ? 0 : path.size() + 1;
        if (IsBelow(key, path) && key.find('\\', start) == std::string::npos) {
            names.push_back(key.substr(start));
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool SettingsStore::Write(const StoreBatch& batch) {
    if (!IsOpen()) {
        return false;
    }
    if (!impl_->Exec("BEGIN IMMEDIATE")) {
        Debug(std::string("cannot start a store: ") + sqlite3_errmsg(impl_->db));
        return false;
    }
    if (!impl_->Apply(batch) || !impl_->Exec("COMMIT")) {
        Debug(std::string("a store failed and was undone: ") + sqlite3_errmsg(impl_->db));
        impl_->Exec("ROLLBACK");
        return false;
    }
    return true;
}

std::string SettingsStore::Location() { return StorePath(); }

}  // namespace ovilux::platform
