// Two-way synchronization of the local pane's folder with the remote pane's folder: the newer
// copy of every name wins, names on one side only are copied to the other. All downloads run
// before all uploads.
#include <sys/stat.h>

#include "frame/logger.h"
#include "frame/path_names.h"
#include "frame/paths.h"
#include "ftp/current_directory.h"
#include "ftp/local_files.h"
#include "ftp/remote_listing.h"
#include "ftp/remote_ops.h"
#include "transfer/download_names.h"
#include "transfer/selection_transfers.h"

namespace {

std::string ConfirmationText(const std::string& localFolder, const std::string& remoteFolder) {
    return "This action will synchronize all data in the local folder\n\"" + localFolder +
           "\"\nwith the remote folder\n\"" + remoteFolder + "\".\nDo you want to continue?";
}

// The name the local walk looks for on the server, whatever the upload preferences say.
std::string ExistenceCheckName(const std::string& path) {
    std::string name = PathFileName(path);
    for (char& c : name) {
        if (c == ' ') {
            c = '_';
        } else if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return name;
}

// The local path of a remote name; a listed link ("docs -> target") is kept under its own name.
std::string LocalPathOf(const std::string& localFolder, const std::string& name) {
    return PathJoin(localFolder, IsListedLink(name) ? LinkOwnName(name) : name);
}

bool LocalItemExists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

}  // namespace

bool SelectionTransfers::ConfirmSynchronize(const std::string& localFolder,
                                            const std::string& remoteFolder) {
    if (skipSyncConfirmation_) {
        return true;
    }
    bool doNotAskAgain = false;
    if (!ui_.YesNoBox(window_, ConfirmationText(localFolder, remoteFolder), "Synchronize",
                      "Do not ask again.", doNotAskAgain)) {
        return false;
    }
    // Only a Yes is remembered: a declined synchronization is never skipped silently later.
    skipSyncConfirmation_ = doNotAskAgain;
    return true;
}

bool SelectionTransfers::WalkRemoteForSync(FtpTransferQueue& downloads, FtpTransferQueue& uploads,
                                           const std::string& localFolder) {
    if (walk_ != nullptr) {
        walk_->Reading(remoteStart_);
    }
    FtpDirList list(quiet_, session_.connection);
    // A listing cut short would copy local files over remote ones it left out.
    if (list.result != LPROCESS_OK || WalkStopped()) {
        if (list.result == LPROCESS_FAILED) {
            LogFormat(kLogError, "Cannot list directory: %s", remoteStart_.c_str());
        }
        return false;
    }
    for (; !list.AtEnd(); list.Next()) {
        if (WalkStopped()) {
            return false;
        }
        std::string name = list.CurrentName();
        if (IsDotEntry(name)) {
            continue;
        }
        // Refused before anything local is looked at: a name reaching outside the local folder
        // with an older listed time would otherwise upload whatever it reaches. The download
        // walk warns about it and ends.
        if (!IsSafeName(IsListedLink(name) ? LinkOwnName(name) : name)) {
            return DownloadItem(downloads, localFolder, name);
        }
        const ListedFacts facts = FactsOf(*list.current);
        std::string localPath = LocalPathOf(localFolder, name);
        bool ok = true;
        if (!LocalItemExists(localPath)) {
            ok = DownloadItem(downloads, localFolder, name, facts);
        } else {
            time_t localTime = GetLocalFileTime(localPath);
            time_t remoteTime = list.GetModified();
            if (WalkStopped()) {
                return false;
            }
            if (localTime < remoteTime) {
                ok = DownloadItem(downloads, localFolder, name, facts);
            } else if (localTime > remoteTime) {
                ok = UploadItem(uploads, localFolder, localPath);
                // A folder's walk leaves the server inside it, where the next name's type and
                // time would be asked for.
                FtpChangeDirectoryQuiet(quiet_, session_.connection, remoteStart_);
            }
        }
        if (!ok) {
            return false;
        }
    }
    return true;
}

void SelectionTransfers::Synchronize(const std::string& localFolder,
                                     const std::vector<std::string>& localItems) {
    if (!session_.connected) {
        return;
    }
    StartOperation();
    // Refused before the question: a Yes could not be acted on.
    if (SessionBusy()) {
        return;
    }
    const std::string remoteFolder = pane_.RemoteFolder();
    if (!ConfirmSynchronize(localFolder, remoteFolder)) {
        outcome_.declined = true;
        return;
    }
    ui_.SetBusy(true);
    bool completed = false;
    WithSession([&] { completed = SynchronizeFolders(localFolder, remoteFolder, localItems); });
    if (completed) {
        pane_.RefreshRemoteListing();
    }
    ui_.SetBusy(false);
}

bool SelectionTransfers::SynchronizeFolders(const std::string& localFolder,
                                            const std::string& remoteFolder,
                                            const std::vector<std::string>& localItems) {
    Log(kLogInfo, "Synchronizing...This may take a few minutes.");
    remoteStart_ = remoteFolder;
    localTarget_ = localFolder;
    FtpTransferQueue downloads(&session_.connection);
    FtpTransferQueue uploads(&session_.connection);
    // A walk that ends early, or is stopped, transfers nothing at all.
    bool walkedAll = false;
    const bool walked =
        RunWalk([&] { walkedAll = WalkRemoteForSync(downloads, uploads, localFolder); });
    if (!walked || !walkedAll) {
        outcome_.walkEnded = walked;
        outcome_.skipped += downloads.count + uploads.count;
        // Back where the pane is, so the next command does not start inside another folder.
        FtpChangeDirectoryQuiet(quiet_, session_.connection, remoteStart_);
        return false;
    }
    RunDownloads(downloads);
    const bool walkedLocal = RunWalk([&] {
        for (const std::string& path : localItems) {
            if (WalkStopped()) {
                break;
            }
            if (FtpFileExists(quiet_, session_.connection, ExistenceCheckName(path))) {
                continue;
            }
            const bool ok = UploadItem(uploads, localFolder, path);
            // The next existence check lists the start folder, not the folder just made.
            FtpChangeDirectoryQuiet(quiet_, session_.connection, remoteStart_);
            if (!ok) {
                outcome_.walkEnded = !WalkStopped();
                break;
            }
        }
    });
    FtpChangeDirectoryQuiet(quiet_, session_.connection, remoteStart_);
    if (walkedLocal) {
        RunUploads(uploads, false);
    } else {
        outcome_.skipped += uploads.count;
    }
    Log(kLogInfo, "Synchronize completed.");
    return true;
}
