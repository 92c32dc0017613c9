// The kind, size and time of one remote name: the modern commands first, a LIST of the name last.
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "frame/number_text.h"
#include "frame/path_names.h"
#include "frame/text_limits.h"
#include "ftp/control_channel.h"
#include "ftp/date_time.h"
#include "ftp/ftp_features.h"
#include "ftp/list_parser.h"
#include "ftp/mlsd_facts.h"
#include "ftp/passive.h"
#include "ftp/remote_listing.h"
#include "ftp/reply_in_step.h"
#include "ftp/server_features.h"

namespace {

// Every query starts the same way: a stop already asked for, then what the server offers.
LProcessResult BeginQuery(LProcessInterface& iface, LSecureSocket& conn) {
    if (iface.IsStopped()) {
        return LPROCESS_STOPPED;
    }
    return FtpQueryFeatures(iface, conn) == LPROCESS_STOPPED ? LPROCESS_STOPPED : LPROCESS_OK;
}

bool Has(const LSecureSocket& conn, std::uint32_t feature) {
    return (conn.features & feature) != 0;
}

bool MlstAllowed(const LSecureSocket& conn) {
    return !Has(conn, kFeatMlstRefused);
}

bool MlsdAllowed(const LSecureSocket& conn) {
    return Has(conn, kFeatMlsd) && !Has(conn, kFeatMlsdRefused);
}

std::string Lowered(std::string_view text) {
    std::string lowered(text);
    LowerAsciiInPlace(lowered);
    return lowered;
}

// The received pieces joined and split into lines, CR LF removed.
std::vector<std::string> LinesOfPieces(const std::vector<std::string>& pieces) {
    std::vector<std::string> lines;
    std::string line;
    for (const std::string& piece : pieces) {
        for (char c : piece) {
            if (c == '\n') {
                if (!line.empty() && line.back() == '\r') {
                    line.pop_back();
                }
                lines.push_back(std::move(line));
                line.clear();
            } else {
                line.push_back(c);
            }
        }
    }
    if (!line.empty()) {
        lines.push_back(std::move(line));
    }
    return lines;
}

// "MLST name" answered with facts; the first (lower-cased) line that holds `fact`.
bool FirstLineWithFact(const std::vector<std::string>& lines, std::string_view fact,
                       std::string& lowered) {
    for (const std::string& line : lines) {
        std::string candidate = Lowered(CutText(line));
        if (candidate.find(fact) != std::string::npos) {
            lowered = std::move(candidate);
            return true;
        }
    }
    return false;
}

// The folder of `name` listed with MLSD over a data connection; the last line that holds the
// name's last part, lower-cased. A refused MLSD is not tried again on this connection.
LProcessResult MlsdLineOf(LProcessInterface& iface, LSecureSocket& conn, const std::string& name,
                          std::string& lowered, bool& found) {
    found = false;
    std::vector<std::string> pieces;
    LProcessResult step =
        FtpDataCommand(iface, conn, FtpCommandLine("MLSD", ParentPath(name)), pieces);
    if (step == LPROCESS_FAILED) {
        conn.features |= kFeatMlsdRefused;
    }
    if (step != LPROCESS_OK) {
        return step;
    }
    const std::string fileName = PathFileName(name);
    std::vector<std::string> lines = LinesOfPieces(pieces);
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        if (line->find(fileName) != std::string::npos) {
            lowered = Lowered(*line);
            found = true;
            break;
        }
    }
    return LPROCESS_OK;
}

// A listing of `command` and the first of its items named `name` (or, for a path, named as its
// last part: servers list the items of a path by their bare names).
LProcessResult ListedItem(LProcessInterface& iface, LSecureSocket& conn, const std::string& command,
                          const std::string& name, bool pathLastPart, FtpListLine& item,
                          bool& found) {
    found = false;
    std::vector<std::string> pieces;
    LProcessResult step = FtpDataCommand(iface, conn, command, pieces);
    if (step != LPROCESS_OK) {
        return step;
    }
    const std::string lastPart = pathLastPart ? PathFileName(name) : name;
    for (const std::string& line : LinesOfPieces(pieces)) {
        if (ParseListLine(line, item) && (item.name == name || item.name == lastPart)) {
            found = true;
            break;
        }
    }
    return LPROCESS_OK;
}

// The value of "size=" (else "sizd=") in a lower-cased line of facts; -1 without either.
std::int64_t SizeFact(std::string_view lowered) {
    std::string_view value;
    if (FindFactValue(lowered, "size=", value) || FindFactValue(lowered, "sizd=", value)) {
        return ParseInt64(value);
    }
    return -1;
}

}  // namespace

LProcessResult FtpGetItemType(LProcessInterface& iface, LSecureSocket& conn,
                              const std::string& name, int& kind) {
    kind = kItemUnknown;
    if (LProcessResult begin = BeginQuery(iface, conn); begin != LPROCESS_OK) {
        return begin;
    }
    if (Has(conn, kFeatMlstType) && MlstAllowed(conn)) {
        std::vector<std::string> lines;
        LProcessResult step =
            FtpCommandLinesInStep(iface, conn, FtpCommandLine("MLST", name), lines);
        if (step == LPROCESS_STOPPED) {
            return step;
        }
        std::string lowered;
        std::string_view value;
        if (step != LPROCESS_OK || lines.empty()) {
            conn.features |= kFeatMlstRefused;
        } else if (FirstLineWithFact(lines, "type=", lowered) &&
                   FindFactValue(lowered, "type=", value)) {
            kind = FtpTypeFactKind(value);
        }
    }
    if (kind == kItemUnknown && MlsdAllowed(conn)) {
        // A server that lists the name as a folder says that it is one.
        std::vector<std::string> pieces;
        LProcessResult step = FtpDataCommand(iface, conn, FtpCommandLine("MLSD", name), pieces);
        if (step == LPROCESS_STOPPED) {
            return step;
        }
        if (step == LPROCESS_OK) {
            kind = kItemFolder;
        } else {
            conn.features |= kFeatMlsdRefused;
        }
    }
    if (kind == kItemUnknown && !iface.IsStopped()) {
        FtpListLine item;
        bool found = false;
        LProcessResult step = ListedItem(iface, conn, "LIST .\r\n", name, false, item, found);
        if (step == LPROCESS_STOPPED) {
            return step;
        }
        if (found) {
            kind = item.isLink ? kItemLink : item.isFolder ? kItemFolder : kItemFile;
        }
    }
    return kind == kItemUnknown ? LPROCESS_FAILED : LPROCESS_OK;
}

bool FtpIsFolderQuiet(LProcessInterface& from, LSecureSocket& conn, const std::string& name) {
    LProcessInterfaceVoidInstance quiet(from);
    int kind = kItemUnknown;
    // A failed or stopped query leaves the kind unknown, which is not a folder.
    (void)FtpGetItemType(quiet, conn, name, kind);
    return kind == kItemFolder || kind == kItemLink;
}

LProcessResult FtpGetFileSize(LProcessInterface& iface, LSecureSocket& conn,
                              const std::string& name, std::uint64_t& size) {
    size = 0;
    if (LProcessResult begin = BeginQuery(iface, conn); begin != LPROCESS_OK) {
        return begin;
    }
    std::int64_t found = -1;
    if (Has(conn, kFeatMlstSize) && MlstAllowed(conn) && !iface.IsStopped()) {
        std::vector<std::string> lines;
        LProcessResult step =
            FtpCommandLinesInStep(iface, conn, FtpCommandLine("MLST", name), lines);
        if (step == LPROCESS_STOPPED) {
            return step;
        }
        if (step == LPROCESS_OK) {
            for (const std::string& line : lines) {
                std::string lowered = Lowered(line);
                if (lowered.find("size=") != std::string::npos ||
                    lowered.find("sizd=") != std::string::npos) {
                    found = SizeFact(lowered);
                    break;
                }
            }
        } else {
            for (const std::string& line : lines) {
                if (line.starts_with("550 ")) {
                    // The name does not exist: its size is 0.
                    return LPROCESS_OK;
                }
            }
        }
    }
    if (found == -1 && Has(conn, kFeatSize)) {
        int code = 0;
        if (FtpInStep(iface, conn, [&] { return FtpSetTransferType(iface, conn, 'I', &code); }) ==
            LPROCESS_STOPPED) {
            return LPROCESS_STOPPED;
        }
        if (code == 200) {
            std::string text;
            if (FtpCommandInStep(iface, conn, FtpCommandLine("SIZE", name), &code, &text) ==
                LPROCESS_STOPPED) {
                return LPROCESS_STOPPED;
            }
            if (code == 213) {
                found = ParseInt64(text);
            }
        }
    }
    if (found == -1 && MlsdAllowed(conn)) {
        std::string lowered;
        bool listed = false;
        LProcessResult step = MlsdLineOf(iface, conn, name, lowered, listed);
        if (step == LPROCESS_STOPPED) {
            return step;
        }
        if (listed) {
            found = SizeFact(lowered);
        }
    }
    if (found == -1) {
        FtpListLine item;
        bool listed = false;
        LProcessResult step =
            ListedItem(iface, conn, FtpCommandLine("LIST", name + "*"), name, true, item, listed);
        if (step == LPROCESS_STOPPED) {
            return step;
        }
        if (listed) {
            found = static_cast<std::int64_t>(item.size);
        }
    }
    if (found < 0) {
        return LPROCESS_FAILED;
    }
    size = static_cast<std::uint64_t>(found);
    return LPROCESS_OK;
}

std::uint64_t FtpGetFileSizeQuiet(LProcessInterface& from, LSecureSocket& conn,
                                  const std::string& name) {
    LProcessInterfaceVoidInstance quiet(from);
    std::uint64_t size = 0;
    // A failed or stopped query leaves the size 0, which is what "unknown" is here.
    (void)FtpGetFileSize(quiet, conn, name, size);
    return size;
}

LProcessResult FtpGetFileTime(LProcessInterface& iface, LSecureSocket& conn,
                              const std::string& name, time_t& time) {
    // What a name that cannot be found gets.
    time = std::time(nullptr) - GetTimeZoneBias();
    if (LProcessResult begin = BeginQuery(iface, conn); begin != LPROCESS_OK) {
        return begin;
    }
    std::string timestamp;
    if (Has(conn, kFeatMdtm)) {
        std::string text;
        LProcessResult step =
            FtpCommandInStep(iface, conn, FtpCommandLine("MDTM", name), nullptr, &text);
        if (step == LPROCESS_STOPPED) {
            return step;
        }
        if (step == LPROCESS_OK && !text.empty()) {
            timestamp = text;
        }
    }
    std::string_view value;
    if (timestamp.empty() && Has(conn, kFeatMlstModify) && MlstAllowed(conn)) {
        std::vector<std::string> lines;
        LProcessResult step =
            FtpCommandLinesInStep(iface, conn, FtpCommandLine("MLST", name), lines);
        if (step == LPROCESS_STOPPED) {
            return step;
        }
        std::string lowered;
        if (step == LPROCESS_OK && FirstLineWithFact(lines, "modify=", lowered) &&
            FindFactValue(lowered, "modify=", value)) {
            timestamp = value;
        }
    }
    if (timestamp.empty() && MlsdAllowed(conn)) {
        std::string lowered;
        bool listed = false;
        LProcessResult step = MlsdLineOf(iface, conn, name, lowered, listed);
        if (step == LPROCESS_STOPPED) {
            return step;
        }
        if (listed && FindFactValue(lowered, "modify=", value)) {
            timestamp = value;
        }
    }
    if (!timestamp.empty()) {
        time = FtpTimestampToTime(timestamp);
        return LPROCESS_OK;
    }
    if (FtpPrepareDirStyle(iface, conn) == LPROCESS_STOPPED) {
        return LPROCESS_STOPPED;
    }
    FtpListLine item;
    bool listed = false;
    LProcessResult step =
        ListedItem(iface, conn, FtpCommandLine("LIST", name + "*"), name, true, item, listed);
    if (step == LPROCESS_STOPPED) {
        return step;
    }
    if (!listed) {
        return LPROCESS_OK;
    }
    if (!item.hasDate) {
        return LPROCESS_FAILED;
    }
    // Listed dates are the client's local wall-clock time.
    MakeTimeFromFields(time, item.year, item.month, item.day, item.hour, item.minute, 0);
    return LPROCESS_OK;
}

time_t FtpGetFileTimeQuiet(LProcessInterface& from, LSecureSocket& conn, const std::string& name) {
    LProcessInterfaceVoidInstance quiet(from);
    time_t time = 0;
    // A failed or stopped query leaves the time that a name that cannot be found gets.
    (void)FtpGetFileTime(quiet, conn, name, time);
    return time;
}
