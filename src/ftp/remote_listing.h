#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>

#include "net/secure_socket.h"
#include "process/process_interface.h"

// Item kinds.
inline constexpr int kItemFile = 0;
inline constexpr int kItemFolder = 1;
inline constexpr int kItemLink = 2;
inline constexpr int kItemUnknown = 255;

// One remote item of a listing; a node owned by its FtpDirList.
struct FtpDirEntry {
    std::unique_ptr<FtpDirEntry> next;  // the following node, null for the last
    std::string name;                   // at most 259 bytes
    time_t modified = 0;
    std::uint32_t hasModified = 0;
    std::uint8_t modifiedExact = 0;  // the time is exact to the second (an MLSD fact)
    std::uint64_t size = 0;
    std::uint8_t hasSize = 0;
    std::uint8_t isFolder = 0;
    std::uint8_t isLink = 0;
    std::uint8_t hasType = 0;
};

// One listing of the current remote folder, made by the constructor and walked once through
// its cursor. Facts the listing did not deliver are asked of the server, one name at a time,
// when the cursor is asked for them.
class FtpDirList {
public:
    // Lists with the caller's interface, which the lazy queries use too.
    FtpDirList(LProcessInterface& iface, LSecureSocket& conn, const std::string& pattern = "*");
    ~FtpDirList();
    FtpDirList(const FtpDirList&) = delete;
    FtpDirList& operator=(const FtpDirList&) = delete;

    // The cursor; a finished walk answers "", 0 or false.
    const char* CurrentName() const;
    void Next();
    bool AtEnd() const { return current == nullptr; }
    bool IsFolderEntry();
    bool IsLinkEntry();
    time_t GetModified();
    std::uint64_t GetSize();

    LSecureSocket& conn;
    std::unique_ptr<FtpDirEntry> first;
    FtpDirEntry* current = nullptr;
    FtpDirEntry* last = nullptr;              // the tail, so appending never walks the list
    bool dataFailed = false;                  // the data connection failed to open twice
    bool dataStalled = false;                 // the data went silent past its wait: failed
    bool cancelled = false;                   // the listing or a lazy query was stopped
    LProcessResult result = LPROCESS_FAILED;  // what the listing returned
    LProcessInterface* iface;
};

// Lists the current remote folder into `list` (MLSD when the server enables the modify, size
// and type facts, else LIST); only names matching `pattern` (shell wildcards, any case) are kept.
LProcessResult FtpListRetrieve(FtpDirList& list, LProcessInterface& iface, LSecureSocket& conn,
                               const std::string& pattern);

LProcessResult FtpGetItemType(LProcessInterface& iface, LSecureSocket& conn,
                              const std::string& name, int& kind);
// The quiet look-ups show nothing of `from` but keep its stop (Cancel, Ctrl+C) and its waits; a
// reply left outstanding by a stop is read, or the connection is closed.
// Folder or link.
bool FtpIsFolderQuiet(LProcessInterface& from, LSecureSocket& conn, const std::string& name);
LProcessResult FtpGetFileSize(LProcessInterface& iface, LSecureSocket& conn,
                              const std::string& name, std::uint64_t& size);
// 0 when unknown.
std::uint64_t FtpGetFileSizeQuiet(LProcessInterface& from, LSecureSocket& conn,
                                  const std::string& name);
LProcessResult FtpGetFileTime(LProcessInterface& iface, LSecureSocket& conn,
                              const std::string& name, time_t& time);
time_t FtpGetFileTimeQuiet(LProcessInterface& from, LSecureSocket& conn, const std::string& name);
