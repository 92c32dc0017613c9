#include "cli/cli_selection_commands.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_exit.h"
#include "cli/cli_session.h"
#include "cli/terminal_output.h"
#include "frame/control_escape.h"
#include "frame/folder_iterator.h"
#include "frame/path_names.h"
#include "transfer/selection_transfers.h"

namespace {

// The remote pane as the command line has it: the named rows, no list to show again.
class CliTransferPane final : public TransferPane {
public:
    CliTransferPane(CliSession& session, std::vector<std::string> names)
        : session_(session), names_(std::move(names)) {}

    std::vector<std::string> SelectedRemoteNames() override { return names_; }
    std::string RemoteFolder() override { return session_.remoteDir(); }
    bool RefreshRemoteListing() override { return true; }
    void SelectRemoteRows(const std::vector<std::string>&) override {}

private:
    CliSession& session_;
    std::vector<std::string> names_;
};

// What failed locally when the engine gave no text: the local file or folder as the system
// sees it now.
std::string LocalReason(const TransferFailure& failure) {
    if (failure.upload) {
        const int fd = open(failure.localPath.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return std::strerror(errno);
        }
        struct stat info {};
        const bool folder = fstat(fd, &info) == 0 && S_ISDIR(info.st_mode);
        close(fd);
        return folder ? std::strerror(EISDIR) : "The upload did not complete.";
    }
    const std::string folder = ParentPath(failure.localPath);
    if (access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) != 0) {
        return std::strerror(errno);
    }
    return "The download did not complete.";
}

// Each failed item with its reason, then the numbers, on stderr: the log has the details, but a
// script must learn of every failure. A run that went well, or was declined, says nothing.
void ReportOutcome(const TransferOutcome& outcome) {
    if (outcome.failures.empty() && outcome.failed == 0 && !outcome.walkEnded && !outcome.stopped) {
        return;
    }
    for (const TransferFailure& failure : outcome.failures) {
        const std::string reason = failure.reason == kItemFailedText && !failure.localPath.empty()
                                       ? LocalReason(failure)
                                       : failure.reason;
        PrintMessageLine(
            std::string(failure.upload ? "Unable to upload \"" : "Unable to download \"") +
            EscapeControlCharacters(failure.name) + "\": " + EscapeControlCharacters(reason));
    }
    const std::size_t ended = outcome.failed + outcome.stoppedItems;
    const std::size_t transferred = outcome.queued > ended ? outcome.queued - ended : 0;
    PrintMessageLine(std::to_string(transferred) + " transferred, " +
                     std::to_string(outcome.failures.size()) + " failed, " +
                     std::to_string(outcome.skipped + outcome.stoppedItems) + " skipped");
}

int ExitStatusForOutcome(const TransferOutcome& outcome) {
    if (outcome.walkEnded || outcome.failed > 0 || outcome.busy) {
        return kExitFailed;
    }
    return outcome.stopped || outcome.declined ? kExitStopped : kExitDone;
}

bool IsFolder(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// A path given on the command line as the windows would hold it: absolute, no trailing '/', and
// no "." or ".." parts, which would otherwise become remote names of their own ("upload .."
// would send the files beside the remote folder).
std::string AbsolutePath(const std::string& path) {
    std::string absolute = path;
    if (absolute.empty() || absolute[0] != '/') {
        std::vector<char> buffer(4096);
        if (getcwd(buffer.data(), buffer.size()) != nullptr) {
            absolute = std::string(buffer.data()) + "/" + path;
        }
    }
    absolute = std::filesystem::path(absolute).lexically_normal().string();
    while (absolute.size() > 1 && absolute.back() == '/') {
        absolute.pop_back();
    }
    return absolute;
}

// Remote names are the parts of the paths beyond the base, so each path must lie below it.
bool IsBelow(const std::string& base, const std::string& path) {
    if (base == "/") {
        return path.size() > 1 && path[0] == '/';
    }
    return path.size() > base.size() + 1 && path.compare(0, base.size(), base) == 0 &&
           path[base.size()] == '/';
}

int FolderMissing(const std::string& folder) {
    PrintMessageLine("The folder \"" + folder + "\" does not exist.");
    return kExitFailed;
}

// Runs one transfer command on an open session and turns its outcome into the exit status.
template <typename Command>
int RunTransfers(const CliOptions& options, CliServices& services,
                 std::vector<std::string> remoteNames, const Command& command) {
    return RunWithCliSession(options, services, [&](CliSession& session) {
        CliTransferPane pane(session, remoteNames);
        SelectionTransfers transfers(session.list(), pane, services.ui, services.launcher);
        command(transfers);
        ReportOutcome(transfers.outcome());
        return ExitStatusForOutcome(transfers.outcome());
    });
}

}  // namespace

int RunDownloadCommand(const CliOptions& options, CliServices& services) {
    for (const std::string& name : options.arguments) {
        if (name == "." || name == "..") {
            return UsageError("download: \"" + name + "\" is not an item of the remote folder");
        }
    }
    const std::string target = AbsolutePath(options.toFolder);
    if (!IsFolder(target)) {
        return FolderMissing(target);
    }
    return RunTransfers(options, services, options.arguments, [&](SelectionTransfers& transfers) {
        transfers.DownloadSelection(target);
    });
}

int RunUploadCommand(const CliOptions& options, CliServices& services) {
    std::vector<std::string> paths;
    for (const std::string& path : options.arguments) {
        paths.push_back(AbsolutePath(path));
    }
    const std::string base =
        options.baseFolder.empty() ? ParentPath(paths.front()) : AbsolutePath(options.baseFolder);
    for (const std::string& path : paths) {
        if (!IsBelow(base, path)) {
            return UsageError("upload: \"" + path + "\" is not inside the base folder \"" + base +
                              "\"");
        }
    }
    return RunTransfers(options, services, {}, [&](SelectionTransfers& transfers) {
        transfers.UploadSelection(paths, base);
    });
}

int RunSyncCommand(const CliOptions& options, CliServices& services) {
    const std::string folder = AbsolutePath(options.arguments.at(0));
    if (!IsFolder(folder)) {
        return FolderMissing(folder);
    }
    std::vector<std::string> items;
    LFile::FolderIterator entries(folder);
    while (entries.Next()) {
        if (!entries.IsDots()) {
            items.push_back(entries.Path());
        }
    }
    // The local pane lists its items by name.
    std::sort(items.begin(), items.end());
    return RunTransfers(options, services, {}, [&](SelectionTransfers& transfers) {
        transfers.Synchronize(folder, items);
    });
}
