// SettingsStore.cpp - the settings tree in one SQLite database per user.
//
// The database runs in WAL mode with a busy timeout, so processes read while another writes
// and writers queue instead of failing; every batch is one transaction, so a process that
// dies mid-store leaves the previous values whole. Key and value names compare without case,
// as the registry's do. A file that is not a database, or one with a damaged page, is renamed
// aside, never deleted: it may be the user's only copy of their settings.
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
#include <optional>
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

// The file a connection was opened on, so that a damaged file is set aside only while it is
// still the one at the path (another process may already have put a fresh store there).
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return FileIdentity{info.st_dev, info.st_ino};
}

// A reader of a read-only database makes its shared-memory file with the database's mode, so
// once the user makes the database writable again that file may still refuse writers. The
// user's own side files take the database's mode back before a store.
void MatchSideFileModes(const std::string& path) {
    struct stat database {};
    if (stat(path.c_str(), &database) != 0 || access(path.c_str(), W_OK) != 0) {
        return;
    }
    for (const char* part : {"-wal", "-shm"}) {
        const std::string side = path + part;
        struct stat info {};
        if (stat(side.c_str(), &info) == 0 && info.st_uid == geteuid() && access(side.c_str(), W_OK) != 0) {
            chmod(side.c_str(), database.st_mode & 0777);
        }
    }
}

// "file:" URI of a path for opening a database that nobody can change: a read-only folder
// holding a WAL database whose side files are gone cannot be read any other way.
std::string ImmutableUri(const std::string& path) {
    std::string uri = "file:";
    for (const char c : path) {
        if (c == '%' || c == '?' || c == '#') {
            static const char kHex[] = "0123456789ABCDEF";
            uri += '%';
            uri += kHex[static_cast<unsigned char>(c) >> 4];
            uri += kHex[c & 15];
        } else {
            uri += c;
        }
    }
    return uri + "?immutable=1";
}

}  // namespace

// Loads open the file for reading only, so a store the user cannot write (a read-only file or
// folder) still gives its settings; stores open it for writing when they need to, and a store
// that fails leaves the file and the loads alone. Damage found on opening, reading or storing
// sets the file aside and starts afresh.
struct SettingsStore::Impl {
    std::string path;
    sqlite3* db = nullptr;
    bool writable = false;   // db was opened for stores
    bool hasTables = false;  // db holds the settings tables (a new or empty file does not)
    bool readFailed = false;
    bool unusable = false;   // damaged and could not be set aside: neither read nor stored
    FileIdentity opened;

    ~Impl() { Close(); }
    void Close() {
        sqlite3_close_v2(db);
        db = nullptr;
        writable = false;
        hasTables = false;
    }

    bool Exec(const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

    // The first result of a one-row query; the error code when it failed.
    int QueryText(const char* sql, std::string* text) {
        Statement query(db, sql);
        const int step = query.Step();
        if (step == SQLITE_ROW) {
            *text = query.ColumnText(0);
            return SQLITE_OK;
        }
        return step == SQLITE_DONE ? SQLITE_OK : step;
    }

    // Checks a freshly opened connection: the tables present, every page sound.
    int Inspect() {
        std::string tables;
        int result = QueryText("SELECT count(*) FROM sqlite_master WHERE name IN ('keys', 'settings')", &tables);
        if (result != SQLITE_OK) {
            return result;
        }
        hasTables = tables == "2";
        std::string check;
        result = QueryText("PRAGMA quick_check", &check);
        if (result == SQLITE_OK && check != "ok") {
            Debug(path + " fails its check: " + check);
            return SQLITE_CORRUPT;
        }
        return result;
    }

    // 0 when there is a connection to read through, or when no file exists yet (a fresh store).
    int OpenForReading() {
        if (db != nullptr || unusable) {
            return unusable ? SQLITE_CANTOPEN : SQLITE_OK;
        }
        const std::optional<FileIdentity> identity = IdentityOf(path);
        if (!identity) {
            return SQLITE_OK;
        }
        opened = *identity;
        int result = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        if (result == SQLITE_OK) {
            sqlite3_busy_timeout(db, kBusyTimeoutMs);
            result = Inspect();
        }
        if (result == SQLITE_CANTOPEN || result == SQLITE_READONLY) {
            // A WAL database in a folder this user cannot write, without its side files.
            Close();
            result = sqlite3_open_v2(ImmutableUri(path).c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
            if (result == SQLITE_OK) {
                result = Inspect();
            }
        }
        if (result != SQLITE_OK) {
            Close();
        }
        return result;
    }

    int OpenForWriting() {
        if (writable || unusable) {
            return unusable ? SQLITE_CANTOPEN : SQLITE_OK;
        }
        Close();
        MakeParentFolders(path);
        CreatePrivateFile(path);
        MatchSideFileModes(path);
        opened = IdentityOf(path).value_or(FileIdentity{});
        int result = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
        if (result == SQLITE_OK && sqlite3_db_readonly(db, "main") == 1) {
            result = SQLITE_READONLY;
        }
        if (result == SQLITE_OK) {
            sqlite3_busy_timeout(db, kBusyTimeoutMs);
            result = Inspect();
        }
        for (int attempt = 0; result == SQLITE_OK && attempt < kSetupAttempts; ++attempt) {
            result = sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr);
            if (result != SQLITE_BUSY && result != SQLITE_LOCKED) {
                break;
            }
            result = SQLITE_OK;
            std::this_thread::sleep_for(kSetupRetryPause);
        }
        if (result != SQLITE_OK) {
            Close();
            return result;
        }
        writable = true;
        hasTables = true;
        return SQLITE_OK;
    }

    // After damage: the file (with its side files) goes aside and the next access starts afresh.
    // When it cannot go (a read-only folder, or the file already replaced) nothing more is done
    // with it this time, so no defaults are ever written over settings that could not be read.
    void SetAside() {
        Close();
        if (IdentityOf(path) != std::optional(opened)) {
            Debug(path + " is damaged; another program has already replaced it");
            readFailed = true;
            return;
        }
        const std::string suffix = AsideSuffix();
        for (const char* part : {"", "-wal", "-shm"}) {
            const std::string from = path + part;
            if (std::rename(from.c_str(), (from + suffix).c_str()) != 0 && errno != ENOENT && *part == '\0') {
                Debug(path + " is damaged and could not be moved aside: its settings are not used");
                unusable = true;
                readFailed = true;
                return;
            }
        }
        Debug(path + " was damaged; kept as " + path + suffix + ", starting a fresh one");
    }

    // Inserts the key and every key above it, the root included, as the registry creates them.
    int CreateKey(const std::string& key) {
        std::vector<std::string> chain{""};
        for (size_t slash = key.find('\\'); slash != std::string::npos; slash = key.find('\\', slash + 1)) {
            chain.push_back(key.substr(0, slash));
        }
        chain.push_back(key);
        for (const std::string& link : chain) {
            Statement insert(db, "INSERT OR IGNORE INTO keys(path) VALUES(?1)");
            if (const int step = insert.Text(1, link).Step(); step != SQLITE_DONE) {
                return step;
            }
        }
        return SQLITE_OK;
    }

    // SQLITE_OK, or the result of the step that failed.
    int Apply(const StoreBatch& batch) {
        if (!batch.removeTree.empty()) {
            Statement keys(db,
                           "DELETE FROM keys WHERE path = ?1 OR substr(path, 1, length(?1) + 1) = ?1 || '\\' "
                           "COLLATE NOCASE");
            Statement values(db,
                             "DELETE FROM settings WHERE path = ?1 OR substr(path, 1, length(?1) + 1) = ?1 || "
                             "'\\' COLLATE NOCASE");
            for (Statement* remove : {&keys, &values}) {
                if (const int step = remove->Text(1, batch.removeTree).Step(); step != SQLITE_DONE) {
                    return step;
                }
            }
        }
        for (const KeyWrite& write : batch.writes) {
            if (const int result = CreateKey(write.path); result != SQLITE_OK) {
                return result;
            }
            for (const SettingValue& value : write.values) {
                Statement insert(db, "INSERT OR REPLACE INTO settings(path, name, type, data) VALUES(?1, ?2, ?3, ?4)");
                const int step = insert.Text(1, write.path)
                                     .Text(2, value.name)
                                     .Int(3, static_cast<int64_t>(value.type))
                                     .Blob(4, value.data)
                                     .Step();
                if (step != SQLITE_DONE) {
                    return step;
                }
            }
        }
        return SQLITE_OK;
    }

    // One store as one transaction; SQLITE_OK or the failure, the transaction undone.
    int Store(const StoreBatch& batch) {
        int result = OpenForWriting();
        if (result != SQLITE_OK) {
            return result;
        }
        result = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        if (result == SQLITE_OK) {
            result = Apply(batch);
            if (result == SQLITE_OK) {
                result = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
            }
            if (result != SQLITE_OK) {
                Debug(std::string("a store failed and was undone: ") + sqlite3_errmsg(db));
                Exec("ROLLBACK");
            }
        }
        return result;
    }

    // Runs a read, setting a damaged file aside and reading the fresh store once more.
    template <typename Read>
    auto Reading(Read read) -> decltype(read(nullptr)) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            const int opened = OpenForReading();
            if (IsDamaged(opened)) {
                SetAside();
                continue;
            }
            if (opened != SQLITE_OK) {
                Debug("cannot read " + path + ": " + sqlite3_errstr(opened));
                readFailed = true;
                return {};
            }
            if (db == nullptr || !hasTables) {
                return {};  // a fresh store holds nothing yet
            }
            int result = SQLITE_OK;
            auto found = read(&result);
            if (!IsDamaged(result)) {
                if (result != SQLITE_OK) {
                    Debug("cannot read " + path + ": " + sqlite3_errstr(result));
                    readFailed = true;
                }
                return found;
            }
            SetAside();
        }
        return {};
    }
};

SettingsStore::SettingsStore() : impl_(std::make_unique<Impl>()) {
    impl_->path = StorePath();
    if (impl_->path.empty()) {
        Debug("no home folder, so no settings store");
        impl_->unusable = true;
        impl_->readFailed = true;
    }
}

SettingsStore::~SettingsStore() = default;

bool SettingsStore::IsOpen() const { return !impl_->unusable; }

bool SettingsStore::ReadFailed() const { return impl_->readFailed; }

std::optional<std::vector<SettingValue>> SettingsStore::ReadKey(const std::string& path) {
    return impl_->Reading([&](int* result) -> std::optional<std::vector<SettingValue>> {
        sqlite3* db = impl_->db;
        if (sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) {
            *result = sqlite3_errcode(db);
            return std::nullopt;
        }
        std::optional<std::vector<SettingValue>> found;
        Statement key(db, "SELECT 1 FROM keys WHERE path = ?1");
        int step = key.Text(1, path).Step();
        if (step == SQLITE_ROW) {
            found.emplace();
            Statement values(db, "SELECT name, type, data FROM settings WHERE path = ?1 ORDER BY name");
            values.Text(1, path);
            while ((step = values.Step()) == SQLITE_ROW) {
                found->push_back(
                    {values.ColumnText(0), static_cast<SettingType>(values.ColumnInt(1)), values.ColumnBlob(2)});
            }
        }
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        if (step != SQLITE_DONE) {
            *result = step;
            found.reset();
        }
        return found;
    });
}

std::vector<std::string> SettingsStore::SubKeys(const std::string& path) {
    return impl_->Reading([&](int* result) {
        std::vector<std::string> names;
        Statement keys(impl_->db, "SELECT path FROM keys");
        int step;
        while ((step = keys.Step()) == SQLITE_ROW) {
            const std::string key = keys.ColumnText(0);
            const size_t start = path.empty() ? 0 : path.size() + 1;
            if (IsBelow(key, path) && key.find('\\', start) == std::string::npos) {
                names.push_back(key.substr(start));
            }
        }
        if (step != SQLITE_DONE) {
            *result = step;
            names.clear();
        }
        std::sort(names.begin(), names.end());
        return names;
    });
}

bool SettingsStore::Write(const StoreBatch& batch) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int result = impl_->Store(batch);
        if (result == SQLITE_OK) {
            return true;
        }
        if (!IsDamaged(result)) {
            Debug("cannot store into " + impl_->path + ": " + sqlite3_errstr(result) + "; the store is left as it was");
            impl_->Close();
            return false;
        }
        impl_->SetAside();
        if (impl_->unusable) {
            return false;
        }
    }
    return false;
}

std::string SettingsStore::Location() { return StorePath(); }

bool SettingsStore::FactorySettingsRequested() { return EnvironmentValue("OVILUX_SETTINGS") == "defaults"; }

}  // namespace ovilux::platform
