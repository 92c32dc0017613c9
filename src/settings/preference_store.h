#pragma once

#include <sqlite3.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A persistent map of strings in one SQLite file, table preferences(key, value): the four
// operations of a preferences store (read one key, write or remove one key, flush, list all
// keys). Keys are compared exactly; listing gives them in the order they were first written.
//
// Several processes may use one file at once: a writer waits up to kStoreBusyTimeoutMs for the
// others. An Operation makes everything between its start and its Flush one transaction, its
// reads included; a write outside an Operation is a transaction of its own.
class LPreferenceStore {
public:
    enum class Access {
        // The user's own store: created when absent (file 0600, folder 0700), and a file that
        // cannot be used as a database is moved aside and replaced by a fresh store.
        kOwn,
        // Somebody else's store: never created or repaired; opened for writing when the file
        // allows it, else for reading only.
        kExisting,
    };

    // What opening the store found, for the user to be told: a store that cannot be opened is
    // not an empty one, and a damaged one moved aside is not a quiet fresh start.
    enum class State {
        kOpened,       // the file as it was (or a new one where there was none)
        kMovedAside,   // the file was damaged: it was moved aside and a new store started
        kReadOnly,     // the user's own file may only be read: nothing can be saved
        kUnavailable,  // no store: reads give their defaults and nothing can be saved
    };
    struct Status {
        State state = State::kOpened;
        std::string message;  // one line for the user; "" for kOpened
    };

    // Null when the store cannot be opened (a folder or a missing kExisting file in its place, no
    // access, a full disk); `status`, when given, then says why.
    static std::unique_ptr<LPreferenceStore> Open(const std::string& path, Access access,
                                                  Status* status = nullptr);
    ~LPreferenceStore();
    LPreferenceStore(const LPreferenceStore&) = delete;
    LPreferenceStore& operator=(const LPreferenceStore&) = delete;

    std::optional<std::string> Read(std::string_view key);
    // Inserting keeps the key's place in the listing when it is already there.
    bool Write(std::string_view key, std::string_view value);
    bool Remove(std::string_view key);
    std::vector<std::string> ListKeys();

    const std::string& path() const { return path_; }
    // How the store was opened: kOpened, kMovedAside or kReadOnly.
    const Status& status() const { return status_; }

    // One store operation: from here to Flush nobody else writes to the file, and all of it is
    // committed together or not at all. Operations nest; only the outermost one commits. An
    // operation that is destroyed without Flush is rolled back. One thread at a time.
    class Operation {
    public:
        explicit Operation(LPreferenceStore& store);
        ~Operation();
        Operation(const Operation&) = delete;
        Operation& operator=(const Operation&) = delete;

        // Commits (the outermost operation). False when anything in it failed; then nothing of
        // it is kept.
        bool Flush();

    private:
        LPreferenceStore& store_;
        std::unique_lock<std::recursive_mutex> lock_;
        bool done_ = false;
    };

private:
    struct DatabaseCloser {
        void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
    };
    struct StatementFinalizer {
        void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
    };
    using Database = std::unique_ptr<sqlite3, DatabaseCloser>;
    using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

    LPreferenceStore(std::string path, Database db);
    bool Prepare();
    bool Execute(const char* sql);
    bool RunWrite(sqlite3_stmt* statement);
    bool Begin();
    bool Commit();
    void Rollback();

    const std::string path_;
    Status status_;
    Database db_;
    Statement select_;
    Statement upsert_;
    Statement remove_;
    Statement list_;

    std::recursive_mutex mutex_;
    int depth_ = 0;        // open Operations
    bool failed_ = false;  // something in the open transaction failed
};

// How long a writer waits for another process's transaction to end.
inline constexpr int kStoreBusyTimeoutMs = 5000;
