#include "settings/preference_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "frame/logger.h"
#include "frame/paths.h"

namespace {

// What opening a file as a store found.
enum class OpenOutcome { kOpened, kUnusable, kFailed };

// Data pointers of empty views may be null, which SQLite would bind as NULL.
const char* TextData(std::string_view text) {
    return text.empty() ? "" : text.data();
}

bool IsDamage(int code) {
    int primary = code & 0xff;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

std::string FolderOf(const std::string& path) {
    std::size_t cut = path.find_last_of('/');
    return cut == std::string::npos || cut == 0 ? std::string() : path.substr(0, cut);
}

// The folder that holds the user's store: only the user may look into it.
bool MakePrivateFolder(const std::string& folder) {
    if (folder.empty()) {
        return true;
    }
    struct stat info {};
    if (stat(folder.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            return true;
        }
        errno = ENOTDIR;
        return false;
    }
    CreateFolderPath(FolderOf(folder));
    return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

// SQLite would create the file with the permissions it chooses; an empty file is an empty
// database, so it is made here first with the user's permissions only.
void MakePrivateFile(const std::string& path) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        close(fd);
    }
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Moves `from` to `to` unless `to` exists.
bool MoveWithoutReplacing(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return false;
    }
    // File systems without the flag: a second name, then the first removed.
    return link(from.c_str(), to.c_str()) == 0 && unlink(from.c_str()) == 0;
}

// Puts the damaged store (and its journals) beside itself under a name with the time, never over
// an existing file. The aside name, or "" when the file could not be moved.
std::string MoveAside(const std::string& path) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string aside = path + ".corrupt-" + stamp;
        if (attempt > 0) {
            aside += "-" + std::to_string(attempt);
        }
        if (MoveWithoutReplacing(path, aside)) {
            // A journal left with the old file would be played into the new one.
            MoveWithoutReplacing(path + "-wal", aside + "-wal");
            MoveWithoutReplacing(path + "-journal", aside + "-journal");
            unlink((path + "-shm").c_str());
            return aside;
        }
        if (errno != EEXIST) {
            return "";
        }
    }
    return "";
}

// A path as a file: URI, for the read-only fall-back.
std::string FileUri(const std::string& path) {
    std::string uri = "file:";
    for (unsigned char c : path) {
        if (c == '%' || c == '?' || c == '#' || c < 0x21 || c >= 0x7f) {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            uri += escaped;
        } else {
            uri += static_cast<char>(c);
        }
    }
    return uri;
}

// A system error as the middle of a sentence: "permission denied".
std::string ErrorText(int error) {
    std::string text = std::strerror(error);
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') {
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    }
    return text;
}

// Why SQLite gave `code`: the system's error behind it when there was one ("no space left on
// device"), else the library's words ("database or disk is full").
std::string SqliteReason(sqlite3* db, int code) {
    int error = db != nullptr ? sqlite3_system_errno(db) : 0;
    return error != 0 ? ErrorText(error) : std::string(sqlite3_errstr(code));
}

LPreferenceStore::Status Unavailable(const std::string& path, const std::string& reason) {
    return {LPreferenceStore::State::kUnavailable,
            "The settings store " + path + " cannot be opened: " + reason + "."};
}

}  // namespace

LPreferenceStore::LPreferenceStore(std::string path, Database db)
    : path_(std::move(path)), db_(std::move(db)) {}

LPreferenceStore::~LPreferenceStore() {
    // Statements go before the connection.
    select_.reset();
    upsert_.reset();
    remove_.reset();
    list_.reset();
}

bool LPreferenceStore::Execute(const char* sql) {
    return sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool LPreferenceStore::Prepare() {
    struct {
        Statement* statement;
        const char* sql;
    } const kStatements[] = {
        {&select_, "SELECT value FROM preferences WHERE key = ?1"},
        // An update keeps the row, and with it the key's place in the listing.
        {&upsert_,
         "INSERT INTO preferences(key, value) VALUES(?1, ?2) "
         "ON CONFLICT(key) DO UPDATE SET value = excluded.value"},
        {&remove_, "DELETE FROM preferences WHERE key = ?1"},
        {&list_, "SELECT key FROM preferences ORDER BY rowid"},
    };
    for (const auto& entry : kStatements) {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v3(db_.get(), entry.sql, -1, SQLITE_PREPARE_PERSISTENT, &raw,
                               nullptr) != SQLITE_OK) {
            sqlite3_finalize(raw);
            return false;
        }
        entry.statement->reset(raw);
    }
    return true;
}

namespace {

// Opens `path` as a store. For the user's own store the file is set up (write-ahead journal,
// table) and checked; a file that is not a sound database is reported as unusable. `reason`
// tells why it failed.
OpenOutcome OpenDatabase(const std::string& path, LPreferenceStore::Access access, bool immutable,
                         sqlite3*& out, std::string& reason) {
    out = nullptr;
    bool own = access == LPreferenceStore::Access::kOwn;
    int flags = immutable ? SQLITE_OPEN_READONLY | SQLITE_OPEN_URI : SQLITE_OPEN_READWRITE;
    std::string name = immutable ? FileUri(path) + "?immutable=1" : path;
    sqlite3* db = nullptr;
    int code = sqlite3_open_v2(name.c_str(), &db, flags | SQLITE_OPEN_FULLMUTEX, nullptr);
    out = db;
    auto failed = [db, &reason](int result) {
        reason = SqliteReason(db, result);
        return IsDamage(result) ? OpenOutcome::kUnusable : OpenOutcome::kFailed;
    };
    if (code != SQLITE_OK) {
        return failed(code);
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, kStoreBusyTimeoutMs);

    auto exec = [db](const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); };
    if (own) {
        // Readers never wait for a writer. The mode is kept in the file; switching needs the
        // file to itself and fails at once while another process has it open, which then
        // either switched it already or will.
        if (IsDamage(exec("PRAGMA journal_mode=WAL"))) {
            return OpenOutcome::kUnusable;
        }
        // A commit survives the process being killed at any moment; only a crash of the whole
        // system may take back the last commits, never a part of one.
        if (int rc = exec("PRAGMA synchronous=NORMAL"); rc != SQLITE_OK) {
            return failed(rc);
        }
    }

    sqlite3_stmt* check = nullptr;
    int rc = sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &check, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(check);
    }
    const unsigned char* verdict = rc == SQLITE_ROW ? sqlite3_column_text(check, 0) : nullptr;
    bool sound =
        verdict != nullptr && std::string_view(reinterpret_cast<const char*>(verdict)) == "ok";
    sqlite3_finalize(check);
    if (!sound) {
        return rc == SQLITE_ROW ? failed(SQLITE_CORRUPT) : failed(rc);
    }
    if (own) {
        rc = exec(
            "CREATE TABLE IF NOT EXISTS preferences(key TEXT PRIMARY KEY, value TEXT NOT NULL)");
        if (rc != SQLITE_OK) {
            return failed(rc);
        }
    }
    return OpenOutcome::kOpened;
}

}  // namespace

std::unique_ptr<LPreferenceStore> LPreferenceStore::Open(const std::string& path, Access access,
                                                         Status* status) {
    Status unused;
    Status& report = status != nullptr ? *status : unused;
    report = {};
    bool own = access == Access::kOwn;
    if (own) {
        if (!MakePrivateFolder(FolderOf(path))) {
            report = Unavailable(path, "its folder cannot be made: " + ErrorText(errno));
            return nullptr;
        }
    } else if (::access(path.c_str(), F_OK) != 0) {
        report = Unavailable(path, ErrorText(errno));
        return nullptr;
    }

    // A second round follows a damaged file moved aside (or replaced by another process).
    Status moved;
    for (int round = 0; round < 2; ++round) {
        if (own) {
            MakePrivateFile(path);
        }
        struct stat before {};
        if (stat(path.c_str(), &before) == 0 && !S_ISREG(before.st_mode)) {
            // Nothing to repair: whatever is there is the user's.
            report =
                Unavailable(path, S_ISDIR(before.st_mode) ? "it is a folder" : "it is not a file");
            return nullptr;
        }

        sqlite3* raw = nullptr;
        std::string reason;
        OpenOutcome outcome = OpenDatabase(path, access, false, raw, reason);
        Database db(raw);
        if (outcome == OpenOutcome::kFailed && !own) {
            // A read-only copy in write-ahead mode whose folder we may not write to.
            std::string ignored;
            outcome = OpenDatabase(path, access, true, raw, ignored);
            db.reset(raw);
        }
        if (outcome == OpenOutcome::kOpened) {
            std::unique_ptr<LPreferenceStore> store(new LPreferenceStore(path, std::move(db)));
            if (store->Prepare()) {
                store->status_ = moved;
                if (own && sqlite3_db_readonly(store->db_.get(), "main") == 1) {
                    store->status_ = {State::kReadOnly, "The settings store " + path +
                                                            " can only be read; nothing is saved."};
                }
                report = store->status_;
                return store;
            }
            // A database, but not one of ours.
            outcome = own ? OpenOutcome::kUnusable : OpenOutcome::kFailed;
            reason = "it is not a settings store";
            db = std::move(store->db_);
        }
        db.reset();
        if (outcome != OpenOutcome::kUnusable || !own) {
            report = Unavailable(path, reason);
            return nullptr;
        }

        struct stat now {};
        if (stat(path.c_str(), &now) == 0 && SameFile(before, now)) {
            std::string aside = MoveAside(path);
            if (aside.empty()) {
                report =
                    Unavailable(path, "it is damaged (" + reason +
                                          ") and could not be moved aside: " + ErrorText(errno));
                return nullptr;
            }
            moved = {State::kMovedAside, "The settings store " + path +
                                             " could not be read as a database; it was moved to " +
                                             aside + " and a new store was started."};
            Log(kLogWarning, moved.message);
        }
    }
    report = Unavailable(path, "it is damaged");
    return nullptr;
}

std::optional<std::string> LPreferenceStore::Read(std::string_view key) {
    std::lock_guard lock(mutex_);
    sqlite3_stmt* statement = select_.get();
    sqlite3_bind_text(statement, 1, TextData(key), static_cast<int>(key.size()), SQLITE_STATIC);
    std::optional<std::string> value;
    if (sqlite3_step(statement) == SQLITE_ROW) {
        const char* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        int size = sqlite3_column_bytes(statement, 0);
        value.emplace(text != nullptr ? text : "", text != nullptr ? size : 0);
    }
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    return value;
}

bool LPreferenceStore::RunWrite(sqlite3_stmt* statement) {
    bool ok = false;
    if (depth_ > 0 && (failed_ || sqlite3_get_autocommit(db_.get()) != 0)) {
        // The transaction is gone (never begun, or rolled back by the library): writing now
        // would commit this one write on its own.
        failed_ = true;
    } else {
        ok = sqlite3_step(statement) == SQLITE_DONE;
        if (!ok && depth_ > 0) {
            failed_ = true;
        }
    }
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    return ok;
}

bool LPreferenceStore::Write(std::string_view key, std::string_view value) {
    std::lock_guard lock(mutex_);
    sqlite3_stmt* statement = upsert_.get();
    sqlite3_bind_text(statement, 1, TextData(key), static_cast<int>(key.size()), SQLITE_STATIC);
    sqlite3_bind_text(statement, 2, TextData(value), static_cast<int>(value.size()), SQLITE_STATIC);
    return RunWrite(statement);
}

bool LPreferenceStore::Remove(std::string_view key) {
    std::lock_guard lock(mutex_);
    sqlite3_stmt* statement = remove_.get();
    sqlite3_bind_text(statement, 1, TextData(key), static_cast<int>(key.size()), SQLITE_STATIC);
    return RunWrite(statement);
}

std::vector<std::string> LPreferenceStore::ListKeys() {
    std::lock_guard lock(mutex_);
    sqlite3_stmt* statement = list_.get();
    std::vector<std::string> keys;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        const char* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        if (text != nullptr) {
            keys.emplace_back(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, 0)));
        }
    }
    sqlite3_reset(statement);
    return keys;
}

bool LPreferenceStore::Begin() {
    // Taking the write lock at once: a transaction that starts as a reader and later writes
    // could find another writer ahead of it and fail instead of waiting.
    return Execute("BEGIN IMMEDIATE");
}

bool LPreferenceStore::Commit() {
    if (Execute("COMMIT")) {
        return true;
    }
    Rollback();
    return false;
}

void LPreferenceStore::Rollback() {
    if (sqlite3_get_autocommit(db_.get()) == 0) {
        Execute("ROLLBACK");
    }
}

LPreferenceStore::Operation::Operation(LPreferenceStore& store)
    : store_(store), lock_(store.mutex_) {
    if (store_.depth_++ == 0) {
        store_.failed_ = !store_.Begin();
    }
}

LPreferenceStore::Operation::~Operation() {
    if (done_) {
        return;
    }
    if (--store_.depth_ == 0) {
        store_.Rollback();
    } else {
        store_.failed_ = true;
    }
}

bool LPreferenceStore::Operation::Flush() {
    if (done_) {
        return !store_.failed_;
    }
    done_ = true;
    if (--store_.depth_ > 0) {
        return !store_.failed_;
    }
    if (store_.failed_) {
        store_.Rollback();
        return false;
    }
    return store_.Commit();
}
