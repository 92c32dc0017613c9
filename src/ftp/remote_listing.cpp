#include "ftp/remote_listing.h"

#include <fnmatch.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "frame/latin1.h"
#include "frame/logger.h"
#include "frame/text_limits.h"
#include "frame/utf8.h"
#include "ftp/control_channel.h"
#include "ftp/current_directory.h"
#include "ftp/ftp_features.h"
#include "ftp/list_parser.h"
#include "ftp/local_time_cache.h"
#include "ftp/mlsd_facts.h"
#include "ftp/passive.h"
#include "ftp/reply_in_step.h"
#include "ftp/server_features.h"

namespace {

// A listing line longer than this (its line end included) is no item line: names are kept to
// 259 bytes and a line of facts is a few hundred. It is read past and dropped, like any other
// line that does not parse, so a hostile server cannot make one line take more memory.
constexpr std::size_t kMaxListingLineBytes = 64 * 1024;
// "%lu objects" is shown after every this many items.
constexpr unsigned long kObjectsStatusEvery = 25;

// Reads the listing from the data connection one line at a time, CR LF removed. Nothing follows
// a listing on its data connection, so the reader reads ahead in large blocks instead of
// peeking for each line end the way the control connection's reader must.
class ListingLineReader {
public:
    explicit ListingLineReader(LSecureSocket& data) : data_(data), buffer_(kMaxListingLineBytes) {}

    // Ok with the next line; failed once the data has ended (the peer closed or the read
    // failed) and once nothing came within the wait (then `silent` is set); stopped.
    LProcessResult Next(LProcessInterface& iface, std::string& line) {
        bool dropping = false;  // inside a line longer than the limit
        for (;;) {
            const char* start = buffer_.data() + begin_;
            std::size_t pending = end_ - begin_;
            const auto* newline = static_cast<const char*>(std::memchr(start, '\n', pending));
            if (newline != nullptr) {
                std::size_t length = static_cast<std::size_t>(newline - start);
                begin_ += length + 1;
                if (dropping) {
                    dropping = false;
                    continue;
                }
                AssignWithoutCr(line, start, length);
                return LPROCESS_OK;
            }
            if (ended_) {
                // A peer that closes in the middle of a line still delivers what it sent.
                begin_ = end_;
                if (dropping || pending == 0) {
                    return LPROCESS_FAILED;
                }
                AssignWithoutCr(line, start, pending);
                return LPROCESS_OK;
            }
            if (begin_ > 0) {
                std::memmove(buffer_.data(), start, pending);
                begin_ = 0;
                end_ = pending;
            }
            if (end_ == buffer_.size()) {
                dropping = true;
                end_ = 0;
            }
            if (SecureBytesAvailable(data_) == 0) {
                // A pause is no end of the data: only the peer closing ends it.
                LProcessResult waited = SecureWaitForReadable(iface, data_, kFtpListingLineTimeout);
                if (waited != LPROCESS_OK) {
                    silent = waited == LPROCESS_FAILED;
                    return waited;
                }
            }
            std::size_t count = 0;
            LProcessResult read =
                SecureReceive(iface, data_, buffer_.data() + end_, buffer_.size() - end_, count,
                              kFtpListingLineTimeout);
            if (read == LPROCESS_STOPPED) {
                return read;
            }
            if (read != LPROCESS_OK) {
                ended_ = true;
            }
            end_ += count;
        }
    }

    bool silent = false;

private:
    static void AssignWithoutCr(std::string& line, const char* start, std::size_t length) {
        if (length > 0 && start[length - 1] == '\r') {
            --length;
        }
        line.assign(start, length);
    }

    LSecureSocket& data_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool ended_ = false;
};

// Frees the nodes one at a time: a long chain must not be destroyed by recursion.
void FreeEntries(FtpDirList& list) {
    while (list.first) {
        list.first = std::move(list.first->next);
    }
    list.current = nullptr;
    list.last = nullptr;
}

void Append(FtpDirList& list, std::unique_ptr<FtpDirEntry> entry) {
    FtpDirEntry* added = entry.get();
    if (list.last == nullptr) {
        list.first = std::move(entry);
    } else {
        list.last->next = std::move(entry);
    }
    list.last = added;
}

bool MatchesPattern(const std::string& pattern, const std::string& name) {
    return pattern == "*" || fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
}

// A LIST name as UTF-8: names that already are UTF-8 stay as they are (converting them again
// would give a name the server does not know); anything else is taken as ISO-8859-1.
std::string ListNameAsUtf8(const std::string& name) {
    std::string_view whole = name.size() >= kTextLimit ? WithoutCutCharacter(name) : name;
    if (IsValidUtf8(whole)) {
        return std::string(whole);
    }
    return Latin1ToUtf8(name);
}

std::unique_ptr<FtpDirEntry> EntryOfMlsdLine(const std::string& line, const std::string& pattern) {
    std::string name(MlsdLineName(line));
    if (!MatchesPattern(pattern, name)) {
        return nullptr;
    }
    auto entry = std::make_unique<FtpDirEntry>();
    entry->name = CutText(name);
    ReadMlsdFacts(line, *entry);
    return entry;
}

std::unique_ptr<FtpDirEntry> EntryOfListLine(const std::string& line, const std::string& pattern,
                                             const ListToday& today, FtpListLine& parsed,
                                             LocalTimeCache& times) {
    if (!ParseListLine(line, parsed, &today) || !MatchesPattern(pattern, parsed.name)) {
        return nullptr;
    }
    auto entry = std::make_unique<FtpDirEntry>();
    entry->name = ListNameAsUtf8(parsed.name);
    entry->isFolder = parsed.isFolder;
    entry->isLink = parsed.isLink;
    entry->hasType = 1;
    if (parsed.hasDate) {
        // Listed dates are the client's local wall-clock time.
        times.Convert(entry->modified, parsed.year, parsed.month, parsed.day, parsed.hour,
                      parsed.minute, 0);
        entry->hasModified = 1;
    }
    entry->size = parsed.size;
    entry->hasSize = 1;
    return entry;
}

// PASV and the connection to the address it gives, tried twice.
LProcessResult OpenListingDataConnection(FtpDirList& list, LProcessInterface& iface,
                                         LSecureSocket& conn, LSecureSocket& data) {
    if (FtpInStep(iface, conn, [&] { return FtpSetTransferType(iface, conn, 'A'); }) ==
        LPROCESS_STOPPED) {
        return LPROCESS_STOPPED;
    }
    std::string address;
    LProcessResult step = FtpPassive(iface, conn, address);
    if (step == LPROCESS_STOPPED) {
        return step;
    }
    if (step == LPROCESS_OK) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            step = FtpOpenDataConnection(iface, address, data);
            if (step != LPROCESS_FAILED) {
                return step;
            }
        }
    }
    list.dataFailed = true;
    return LPROCESS_FAILED;
}

// A stop while the server owes a reply closes the data connection and settles that reply.
LProcessResult SettledStop(LSecureSocket& conn, LSecureSocket& data) {
    SecureClose(data);
    FtpSettleOwedReply(conn);
    return LPROCESS_STOPPED;
}

// The reply to MLSD or LIST. A 550 may mean the server wants protected data first: PROT P, then
// LIST once more.
LProcessResult StartListing(LProcessInterface& iface, LSecureSocket& conn, LSecureSocket& data,
                            bool& mlsd) {
    int code = 0;
    std::string text;
    LProcessResult step = FtpReadReply(iface, conn, code, text);
    if (step == LPROCESS_STOPPED) {
        return SettledStop(conn, data);
    }
    if (step != LPROCESS_OK) {
        return step;
    }
    if (code >= 100 && code <= 199) {
        return LPROCESS_OK;
    }
    if (code != 550) {
        return LPROCESS_FAILED;
    }
    step = FtpCommandInStep(iface, conn, "PROT P\r\n", &code);
    if (step == LPROCESS_STOPPED) {
        return step;
    }
    if (code == 534) {
        iface.ReportError(kProtectedModeRefused);
        return LPROCESS_FAILED;
    }
    if (code < 100 || code > 200) {
        return LPROCESS_FAILED;
    }
    step = FtpSendCommand(iface, conn, "LIST\r\n", kFtpSendTimeout);
    if (step != LPROCESS_OK) {
        return step;
    }
    step = FtpReadReply(iface, conn, code, text);
    if (step == LPROCESS_STOPPED) {
        return SettledStop(conn, data);
    }
    if (step != LPROCESS_OK) {
        return step;
    }
    mlsd = false;
    return code >= 100 && code <= 199 ? LPROCESS_OK : LPROCESS_FAILED;
}

// Reads every line of the listing into the list; ok at the end of the data.
LProcessResult ReadListing(FtpDirList& list, LProcessInterface& iface, LSecureSocket& data,
                           const std::string& pattern, bool mlsd) {
    const ListToday today = LocalListToday();
    ListingLineReader reader(data);
    std::string line;
    FtpListLine parsed;
    LocalTimeCache times;
    unsigned long count = 0;
    for (;;) {
        LProcessResult read = reader.Next(iface, line);
        if (read == LPROCESS_STOPPED) {
            return read;
        }
        if (read != LPROCESS_OK) {
            list.dataStalled = reader.silent;
            return reader.silent ? LPROCESS_FAILED : LPROCESS_OK;
        }
        if (!line.empty()) {
            std::unique_ptr<FtpDirEntry> entry =
                mlsd ? EntryOfMlsdLine(line, pattern)
                     : EntryOfListLine(line, pattern, today, parsed, times);
            if (entry) {
                Append(list, std::move(entry));
                if (++count % kObjectsStatusEvery == 0) {
                    char status[40];
                    std::snprintf(status, sizeof status, "%lu objects", count);
                    iface.SetStatusText(status, 0);
                }
            }
        }
        if (iface.IsStopped()) {
            return LPROCESS_STOPPED;
        }
    }
}

// Names the folder whose listing went silent, when the server still answers PWD.
void LogStalledListing(LProcessInterface& iface, LSecureSocket& conn) {
    std::string folder;
    if (conn.fd < 0 || !FtpGetCurrentDirectoryQuiet(iface, conn, folder)) {
        folder = "(the current folder)";
    }
    LogFormat(kLogError, "The listing of %s was cut short: no data came for %u seconds.",
              folder.c_str(), static_cast<unsigned>(kFtpListingLineTimeout / 1000));
}

void ListInto(FtpDirList& list, const std::string& pattern) {
    list.result = FtpListRetrieve(list, *list.iface, list.conn, pattern);
    list.current = list.first.get();
    list.cancelled = list.result == LPROCESS_STOPPED;
}

}  // namespace

FtpDirList::FtpDirList(LProcessInterface& iface, LSecureSocket& conn, const std::string& pattern)
    : conn(conn), iface(&iface) {
    ListInto(*this, pattern);
}

FtpDirList::~FtpDirList() {
    FreeEntries(*this);
}

const char* FtpDirList::CurrentName() const {
    return current != nullptr ? current->name.c_str() : "";
}

void FtpDirList::Next() {
    if (current != nullptr) {
        current = current->next.get();
    }
}

bool FtpDirList::IsFolderEntry() {
    if (current == nullptr) {
        return false;
    }
    if (!current->hasType) {
        int kind = kItemUnknown;
        if (FtpGetItemType(*iface, conn, current->name, kind) == LPROCESS_STOPPED) {
            cancelled = true;
        }
        current->isFolder = kind == kItemFolder || kind == kItemLink;
        current->hasType = 1;
    }
    return current->isFolder;
}

bool FtpDirList::IsLinkEntry() {
    if (current == nullptr) {
        return false;
    }
    if (!current->hasType) {
        int kind = kItemUnknown;
        if (FtpGetItemType(*iface, conn, current->name, kind) == LPROCESS_STOPPED) {
            cancelled = true;
        }
        current->isLink = kind == kItemLink;
        current->hasType = 1;
    }
    return current->isLink;
}

time_t FtpDirList::GetModified() {
    if (current == nullptr) {
        return 0;
    }
    if (!current->hasModified) {
        if (FtpGetFileTime(*iface, conn, current->name, current->modified) == LPROCESS_STOPPED) {
            cancelled = true;
        }
        current->hasModified = 1;
    }
    return current->modified;
}

std::uint64_t FtpDirList::GetSize() {
    if (current == nullptr) {
        return 0;
    }
    if (!current->hasSize) {
        if (FtpGetFileSize(*iface, conn, current->name, current->size) == LPROCESS_STOPPED) {
            cancelled = true;
        }
        current->hasSize = 1;
    }
    return current->size;
}

LProcessResult FtpListRetrieve(FtpDirList& list, LProcessInterface& iface, LSecureSocket& conn,
                               const std::string& pattern) {
    if (FtpQueryFeatures(iface, conn) == LPROCESS_STOPPED) {
        return LPROCESS_STOPPED;
    }
    if (conn.ssl != nullptr) {
        LProcessResult protect = FtpProtectDataChannel(iface, conn);
        if (protect != LPROCESS_OK) {
            return protect;
        }
    }
    LSecureSocket data;
    LProcessResult step = OpenListingDataConnection(list, iface, conn, data);
    if (step != LPROCESS_OK) {
        return step;
    }
    if (FtpQueryFeatures(iface, conn) == LPROCESS_STOPPED) {
        return LPROCESS_STOPPED;
    }
    constexpr std::uint32_t kAllFacts = kFeatMlstModify | kFeatMlstSize | kFeatMlstType;
    bool mlsd = false;
    if ((conn.features & kAllFacts) == kAllFacts) {
        step = FtpSendCommand(iface, conn, "MLSD\r\n", kFtpSendTimeout);
        if (step == LPROCESS_STOPPED) {
            return step;
        }
        mlsd = step == LPROCESS_OK;
    }
    if (!mlsd) {
        step = FtpSendCommand(iface, conn, "LIST\r\n", kFtpSendTimeout);
        if (step != LPROCESS_OK) {
            return step;
        }
    }
    step = StartListing(iface, conn, data, mlsd);
    if (step != LPROCESS_OK) {
        return step;
    }
    // The server owes the final reply from here on: a stop, or data silent past its wait,
    // closes the data connection and settles it, so the next command reads its own reply.
    // A data connection that could not be secured as the session is carries no listing.
    step = FtpSecureDataConnection(iface, conn, data);
    if (step == LPROCESS_STOPPED) {
        return SettledStop(conn, data);
    }
    if (step != LPROCESS_OK) {
        SecureClose(data);
        FtpSettleOwedReply(conn);
        return step;
    }
    const std::string keptPattern = CutText(pattern);
    FreeEntries(list);
    step = ReadListing(list, iface, data, keptPattern, mlsd);
    list.current = list.first.get();
    if (step == LPROCESS_STOPPED) {
        return SettledStop(conn, data);
    }
    SecureClose(data);
    if (list.dataStalled) {
        FtpSettleOwedReply(conn);
        LogStalledListing(iface, conn);
        return LPROCESS_FAILED;
    }
    int code = 0;
    std::string text;
    step = FtpReadReply(iface, conn, code, text);
    if (step == LPROCESS_STOPPED) {
        FtpSettleOwedReply(conn);
    }
    if (step != LPROCESS_OK) {
        return step;
    }
    return FtpPositive(code) ? LPROCESS_OK : LPROCESS_FAILED;
}
