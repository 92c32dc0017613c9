// Downloads of remote selections: the walk that makes the local folders and queues the files,
// then one file-list process over the queue.
#include <unistd.h>

#include <optional>

#include "frame/file_system.h"
#include "frame/logger.h"
#include "frame/path_names.h"
#include "frame/paths.h"
#include "frame/text_limits.h"
#include "ftp/current_directory.h"
#include "ftp/download.h"
#include "ftp/local_files.h"
#include "ftp/remote_listing.h"
#include "transfer/download_names.h"
#include "transfer/download_queue_run.h"
#include "transfer/selection_transfers.h"

namespace {

void LogSuspiciousName(const std::string& name) {
    LogFormat(kLogWarning, "Skipping download of item with suspicious name: %s", name.c_str());
}

constexpr char kSuspiciousNameReason[] = "The name could lead outside the download folder.";
constexpr char kFolderNotEnteredReason[] = "The remote folder cannot be entered.";

// The local path of a listed name inside localFolder, or nothing (with the reason logged and
// given in `refusal`) when the name could lead elsewhere: a cut path would name another item,
// possibly above the target, and a server's link back up its own tree would otherwise never end.
std::optional<std::string> LocalPathInside(const std::string& localFolder, const std::string& name,
                                           const std::string& localTarget,
                                           const std::string& remoteStart, std::string& refusal) {
    if (!IsSafeName(name)) {
        LogSuspiciousName(name);
        refusal = kSuspiciousNameReason;
        return std::nullopt;
    }
    const bool separated =
        !localFolder.empty() && (localFolder.back() == '/' || localFolder.back() == '\\');
    const std::size_t whole = localFolder.size() + (separated ? 0 : 1) + name.size();
    std::string path = PathJoin(localFolder, name);
    if (whole > kTextLimit || path.size() != whole ||
        !RemotePathFits(localTarget, remoteStart, path)) {
        LogFormat(kLogWarning, "Skipping download of item with too long a path: %s", name.c_str());
        refusal = "The local path would be too long.";
        return std::nullopt;
    }
    return path;
}

// The remote path of a name listed in the remote folder that localFolder stands for.
std::string RemoteItemPath(const std::string& localTarget, const std::string& remoteStart,
                           const std::string& localFolder, const std::string& name) {
    return PathJoin(BuildRemotePath(localTarget, remoteStart, localFolder), name);
}

}  // namespace

void SelectionTransfers::DownloadSelection(const std::string& localTarget) {
    StartOperation();
    if (!session_.connected || localTarget.empty()) {
        return;
    }
    WithSession([&] {
        LSecureSocket& conn = session_.connection;
        if (!FtpGetCurrentDirectoryQuiet(quiet_, conn, remoteStart_)) {
            remoteStart_ = pane_.RemoteFolder();
        }
        // Kept whole: a cut target would be another folder. Paths that do not fit are refused
        // item by item.
        localTarget_ = localTarget;
        const std::vector<std::string> names = pane_.SelectedRemoteNames();
        if (names.empty()) {
            return;
        }
        FtpTransferQueue queue(&conn);
        const bool walked = RunWalk([&] {
            for (const std::string& name : names) {
                if (!DownloadItem(queue, localTarget_, name)) {
                    outcome_.walkEnded = !WalkStopped();
                    break;
                }
            }
        });
        FtpChangeDirectoryQuiet(quiet_, conn, remoteStart_);
        if (!walked) {
            outcome_.skipped += queue.count;
            return;
        }
        RunDownloads(queue);
    });
}

bool SelectionTransfers::DownloadItem(FtpTransferQueue& queue, const std::string& localFolder,
                                      const std::string& name, const ListedFacts& listed) {
    if (WalkStopped()) {
        return false;
    }
    // A listed link is taken by its own name before the server is asked about it: asked by the
    // whole "name -> target" text, it would not know the item.
    if (IsListedLink(name) ? !IsSafeName(LinkOwnName(name)) : !IsSafeName(name)) {
        LogSuspiciousName(name);
        return EndWalk(false, RemoteItemPath(localTarget_, remoteStart_, localFolder, name),
                       kSuspiciousNameReason);
    }
    if (IsListedLink(name)) {
        return DownloadLink(queue, localFolder, name);
    }
    int kind = listed.kind;
    if (kind == kItemUnknown) {
        kind = FtpIsFolderQuiet(quiet_, session_.connection, name) ? kItemFolder : kItemFile;
        if (WalkStopped()) {
            return false;
        }
    }
    // A link listed without its target is entered like a folder.
    if (kind != kItemFile) {
        return DownloadFolder(queue, localFolder, name);
    }
    return QueueDownloadFile(queue, localFolder, name, listed);
}

bool SelectionTransfers::DownloadFolder(FtpTransferQueue& queue, const std::string& localFolder,
                                        const std::string& name) {
    std::string refusal;
    std::optional<std::string> local =
        LocalPathInside(localFolder, name, localTarget_, remoteStart_, refusal);
    if (!local) {
        return EndWalk(false, RemoteItemPath(localTarget_, remoteStart_, localFolder, name),
                       refusal);
    }
    if (!IsFolderPath(*local)) {
        CreateFolderPath(*local);
    }
    LSecureSocket& conn = session_.connection;
    std::string where;
    FtpGetCurrentDirectoryQuiet(quiet_, conn, where);
    const std::string target =
        !where.empty() && where.back() == '/' ? where + name : where + "/" + name;
    const bool entered = FtpChangeDirectoryQuiet(quiet_, conn, target);
    if (WalkStopped()) {
        return false;
    }
    if (!entered) {
        LogFormat(kLogError, "Cannot change directory: %s", target.c_str());
        return EndWalk(false, target, kFolderNotEnteredReason);
    }
    if (walk_ != nullptr) {
        walk_->Reading(target);
    }
    FtpDirList list(quiet_, conn, "*");
    if (list.result == LPROCESS_STOPPED || WalkStopped()) {
        return false;
    }
    // A listing cut short is no folder's whole content.
    if (list.result != LPROCESS_OK) {
        LogFormat(kLogError, "Cannot list directory: %s", target.c_str());
        return EndWalk(false, target, "The remote folder cannot be listed.");
    }
    for (; !list.AtEnd(); list.Next()) {
        const std::string entry = list.CurrentName();
        if (IsDotEntry(entry)) {
            continue;
        }
        if (!DownloadItem(queue, *local, entry, FactsOf(*list.current))) {
            return false;
        }
    }
    FtpChangeDirectoryQuiet(quiet_, conn, where);
    return true;
}

bool SelectionTransfers::DownloadLink(FtpTransferQueue& queue, const std::string& localFolder,
                                      const std::string& name) {
    const std::string linkName = LinkOwnName(name);
    LSecureSocket& conn = session_.connection;
    std::string where;
    const bool known = FtpGetCurrentDirectoryQuiet(quiet_, conn, where);
    const bool folder = FtpChangeDirectoryQuiet(quiet_, conn, linkName);
    if (WalkStopped()) {
        return false;
    }
    if (folder) {
        // Back out of the probe, so the folder is entered like any other.
        if (known) {
            FtpChangeDirectoryQuiet(quiet_, conn, where);
        }
        return DownloadFolder(queue, localFolder, linkName);
    }
    return QueueDownloadFile(queue, localFolder, linkName);
}

bool SelectionTransfers::QueueDownloadFile(FtpTransferQueue& queue, const std::string& localFolder,
                                           const std::string& name, const ListedFacts& listed) {
    std::string refusal;
    std::optional<std::string> local =
        LocalPathInside(localFolder, name, localTarget_, remoteStart_, refusal);
    if (!local) {
        return EndWalk(false, RemoteItemPath(localTarget_, remoteStart_, localFolder, name),
                       refusal);
    }
    if (overwrite_ != OverwriteAnswer::kYesToAll && PathExists(*local)) {
        const time_t remote = listed.exactTime != 0
                                  ? listed.exactTime
                                  : FtpGetFileTimeQuiet(quiet_, session_.connection, name);
        if (WalkStopped()) {
            return false;
        }
        if (GetLocalFileTime(*local) > remote &&
            !AskOverwrite("A newer copy of the file \"" + name +
                          "\" already exists in the local folder. Do you want to overwrite "
                          "it?")) {
            ++outcome_.skipped;
            return true;
        }
    }
    LogFormat(kLogInfo, "Queuing file: %s", name.c_str());
    queue.Push(*local, BuildRemotePath(localTarget_, remoteStart_, *local));
    queue.items.front().knownSize = listed.size;
    queue.items.front().knownTime = listed.exactTime;
    if (walk_ != nullptr) {
        walk_->Queued();
    }
    return true;
}

void SelectionTransfers::RunDownloads(FtpTransferQueue& queue) {
    bool ran = false;
    FtpDownloadFileList process(&queue);
    LProcessResult result =
        launcher_.Run(window_, kDownloadFileListTitle, [&](LProcessInterface& iface) {
            ran = true;
            return process.Run(iface);
        });
    if (result != LPROCESS_OK) {
        Log(kLogError, "Cannot download the file list");
    }
    outcome_.queued += queue.count;
    outcome_.stopped = outcome_.stopped || result == LPROCESS_STOPPED;
    if (!ran) {
        // Nothing was attempted, so no local file is touched.
        outcome_.failed += queue.count;
        for (const FtpTransferItem& item : queue.items) {
            outcome_.failures.push_back(
                {false, item.remoteName, "Cannot download the file list", item.localPath});
        }
        return;
    }
    for (const FtpTransferItem& item : queue.items) {
        if (CountItem(item, false)) {
            Log(kLogError, item.errorText);
            // Only what the download itself left behind goes; the target keeps what the user
            // had, also for the items a stop kept from being attempted.
            const std::string temporary = DownloadTemporaryPath(item.localPath);
            if (IsDownloadTemporaryName(PathFileName(temporary))) {
                unlink(temporary.c_str());
            }
            continue;
        }
        // The download set the remote time before the file took the target's place.
        Log(kLogInfo, "Downloaded file OK.");
    }
}
