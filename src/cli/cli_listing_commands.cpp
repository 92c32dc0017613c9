#include "cli/cli_listing_commands.h"

#include <unistd.h>

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "cli/cli_exit.h"
#include "cli/cli_session.h"
#include "cli/terminal_output.h"
#include "frame/control_escape.h"
#include "ftp/connection_test.h"
#include "ftp/current_directory.h"
#include "ftp/remote_listing.h"

namespace {

constexpr char kNotDelivered[] = "-";

bool IsDotEntry(std::string_view name) {
    return name == "." || name == "..";
}

const char* FlagText(bool known, bool value) {
    if (!known) {
        return kNotDelivered;
    }
    return value ? "1" : "0";
}

std::string KnownNumber(bool known, long long value) {
    return known ? std::to_string(value) : kNotDelivered;
}

// The node's own fields only: asking the cursor would fetch what the listing left out. On a
// terminal a name's control characters are shown escaped, so that a server cannot rewrite the
// user's screen; a script gets the exact bytes.
std::string ListingLine(const FtpDirEntry& entry, bool toTerminal) {
    std::string line;
    line.reserve(entry.name.size() + 48);
    line += FlagText(entry.hasType != 0, entry.isFolder != 0);
    line += '\t';
    line += FlagText(entry.hasType != 0, entry.isLink != 0);
    line += '\t';
    line += KnownNumber(entry.hasSize != 0, static_cast<long long>(entry.size));
    line += '\t';
    line += KnownNumber(entry.hasModified != 0, static_cast<long long>(entry.modified));
    line += '\t';
    line += toTerminal ? EscapeControlCharacters(entry.name) : entry.name;
    return line;
}

const char* KindText(int kind) {
    switch (kind) {
        case kItemFile:
            return "file";
        case kItemFolder:
            return "folder";
        case kItemLink:
            return "link";
        default:
            return "unknown";
    }
}

}  // namespace

int RunLsCommand(const CliOptions& options, CliServices& services) {
    return RunWithCliSession(options, services, [&options](CliSession& session) {
        if (!options.arguments.empty()) {
            std::string directory = options.arguments[0];
            LProcessResult changed =
                session.Run("Change Directory", "Unable to change to the directory.",
                            [&directory](LProcessInterface& iface, LSecureSocket& connection) {
                                return FtpChangeDirectoryStep(iface, connection, directory);
                            });
            if (changed != LPROCESS_OK) {
                return ExitStatusForResult(changed);
            }
        }
        // Made inside the run; afterwards only its nodes are read, never its cursor, whose
        // look-ups would use the run's interface.
        std::optional<FtpDirList> list;
        LProcessResult listed =
            session.Run("Get Listing", "Unable to get the directory listing.",
                        [&list](LProcessInterface& iface, LSecureSocket& connection) {
                            list.emplace(iface, connection, "*");
                            if (list->dataFailed) {
                                iface.ReportError(kPassiveConnectionFailedText);
                            }
                            return list->result;
                        });
        if (listed != LPROCESS_OK) {
            return ExitStatusForResult(listed);
        }
        const bool toTerminal = isatty(STDOUT_FILENO) == 1;
        for (const FtpDirEntry* entry = list->first.get(); entry != nullptr;
             entry = entry->next.get()) {
            if (!IsDotEntry(entry->name)) {
                WriteOutputLine(ListingLine(*entry, toTerminal));
            }
        }
        return kExitDone;
    });
}

int RunStatCommand(const CliOptions& options, CliServices& services) {
    const std::string& name = options.arguments.at(0);
    return RunWithCliSession(options, services, [&name](CliSession& session) {
        int kind = kItemUnknown;
        LProcessResult kindResult = LPROCESS_FAILED;
        std::optional<std::uint64_t> size;
        std::optional<time_t> modified;
        const std::string failureText = "Unable to get the details of \"" + name + "\".";
        LProcessResult result = session.Run(
            "Get Info", nullptr, [&](LProcessInterface& iface, LSecureSocket& connection) {
                kindResult = FtpGetItemType(iface, connection, name, kind);
                if (kindResult == LPROCESS_STOPPED) {
                    return kindResult;
                }
                std::uint64_t bytes = 0;
                LProcessResult sized = FtpGetFileSize(iface, connection, name, bytes);
                if (sized == LPROCESS_STOPPED) {
                    return sized;
                }
                if (sized == LPROCESS_OK) {
                    size = bytes;
                }
                time_t when = 0;
                LProcessResult timed = FtpGetFileTime(iface, connection, name, when);
                if (timed == LPROCESS_STOPPED) {
                    return timed;
                }
                if (timed == LPROCESS_OK) {
                    modified = when;
                }
                // The kind says whether the item was found at all; the line is printed
                // either way.
                if (kindResult != LPROCESS_OK) {
                    iface.ReportError(failureText.c_str());
                }
                return kindResult;
            });
        if (result == LPROCESS_STOPPED) {
            return kExitStopped;
        }
        std::string line = KindText(kind);
        line += '\t';
        line += KnownNumber(size.has_value(), static_cast<long long>(size.value_or(0)));
        line += '\t';
        line += KnownNumber(modified.has_value(), static_cast<long long>(modified.value_or(0)));
        WriteOutputLine(line);
        return ExitStatusForResult(result);
    });
}
