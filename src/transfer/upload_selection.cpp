// Uploads of local selections: the walk that makes the remote folders and queues the files,
// then one file-list process over the queue.
#include "frame/file_system.h"
#include "frame/folder_iterator.h"
#include "frame/logger.h"
#include "frame/path_names.h"
#include "frame/paths.h"
#include "frame/text_limits.h"
#include "ftp/current_directory.h"
#include "ftp/local_files.h"
#include "ftp/remote_listing.h"
#include "ftp/remote_ops.h"
#include "settings/preference_options.h"
#include "transfer/relative_path.h"
#include "transfer/selection_transfers.h"
#include "transfer/upload_queue_run.h"

namespace {

// The remote name of a local file, relative to the start folder. The name rules change only the
// file's own name: its folders were made on the server as they are named locally.
std::string UploadRelativeName(const std::string& localBase, const std::string& localPath) {
    std::string relative = RelativePathPart(localBase, localPath);
    std::string folder = ParentPath(relative);
    std::string name = UploadRemoteName(PathFileName(relative));
    return folder.empty() ? name : PathJoin(folder, name);
}

}  // namespace

void SelectionTransfers::UploadSelection(const std::vector<std::string>& paths,
                                         const std::string& localBase) {
    StartOperation();
    if (!session_.connected) {
        return;
    }
    remoteStart_ = pane_.RemoteFolder();
    if (paths.empty()) {
        return;
    }
    const bool held = WithSession([&] {
        FtpTransferQueue queue(&session_.connection);
        if (QueueUploads(queue, localBase, paths, false)) {
            RunUploads(queue, true);
        }
    });
    if (!held) {
        return;
    }
    pane_.RefreshRemoteListing();
    Log(kLogInfo, "Upload complete");
}

bool SelectionTransfers::QueueUploads(FtpTransferQueue& queue, const std::string& localBase,
                                      const std::vector<std::string>& paths, bool skipMissing) {
    const bool walked = RunWalk([&] {
        for (const std::string& given : paths) {
            std::string path = CutText(given);
            if (skipMissing && !PathExists(path)) {
                continue;
            }
            if (!UploadItem(queue, localBase, path)) {
                outcome_.walkEnded = !WalkStopped();
                break;
            }
        }
    });
    // The walk leaves the server in the last folder it entered.
    FtpChangeDirectoryQuiet(quiet_, session_.connection, remoteStart_);
    if (!walked) {
        // Folders already made on the server stay.
        outcome_.skipped += queue.count;
    }
    return walked;
}

void SelectionTransfers::UploadDroppedFiles(const std::vector<std::string>& paths) {
    StartOperation();
    if (!session_.connected) {
        return;
    }
    remoteStart_ = pane_.RemoteFolder();
    if (paths.empty()) {
        return;
    }
    const std::vector<std::string> selected = pane_.SelectedRemoteNames();
    const std::string localBase = ParentPath(CutText(paths.front()));
    const bool held = WithSession([&] {
        FtpTransferQueue queue(&session_.connection);
        if (QueueUploads(queue, localBase, paths, true)) {
            RunUploads(queue, false);
        }
        FtpChangeDirectoryQuiet(quiet_, session_.connection, pane_.RemoteFolder());
    });
    if (!held) {
        return;
    }
    pane_.RefreshRemoteListing();
    pane_.SelectRemoteRows(selected);
}

bool SelectionTransfers::UploadItem(FtpTransferQueue& queue, const std::string& localBase,
                                    const std::string& path) {
    if (WalkStopped()) {
        return false;
    }
    if (IsFolderPath(path)) {
        return UploadFolder(queue, localBase, path);
    }
    return QueueUploadFile(queue, localBase, path);
}

bool SelectionTransfers::UploadFolder(FtpTransferQueue& queue, const std::string& localBase,
                                      const std::string& localDir) {
    LogFormat(kLogInfo, "Uploading directory: %s", localDir.c_str());
    if (!IsFolderPath(localDir)) {
        return EndWalk(true, localDir, "The local folder cannot be read.");
    }
    const std::string remoteFolder = PathJoin(remoteStart_, RelativePathPart(localBase, localDir));
    if (walk_ != nullptr) {
        walk_->Reading(localDir);
    }
    FtpMakeDirectoryQuiet(quiet_, session_.connection, remoteFolder);
    const bool entered = FtpChangeDirectoryQuiet(quiet_, session_.connection, remoteFolder);
    if (WalkStopped()) {
        return false;
    }
    if (!entered) {
        LogFormat(kLogError, "Unable to change directory: %s", remoteFolder.c_str());
        return EndWalk(true, localDir, "The remote folder cannot be entered.");
    }
    LFile::FolderIterator entries(localDir);
    while (entries.Next()) {
        if (entries.IsDots()) {
            continue;
        }
        // A cut path would name another item, and a link back up the tree would never end.
        if (localDir.size() + 1 + entries.Name().size() > kTextLimit) {
            LogFormat(kLogWarning, "Skipping upload of item with too long a path: %s/%s",
                      localDir.c_str(), entries.Name().c_str());
            ++outcome_.skipped;
            continue;
        }
        if (WalkStopped()) {
            return false;
        }
        const std::string path = PathJoin(localDir, entries.Name());
        bool goOn = entries.IsFolder() ? UploadFolder(queue, localBase, path)
                                       : QueueUploadFile(queue, localBase, path);
        if (!goOn) {
            return false;
        }
    }
    return true;
}

bool SelectionTransfers::QueueUploadFile(FtpTransferQueue& queue, const std::string& localBase,
                                         const std::string& localPath) {
    const std::string remoteName = UploadRelativeName(localBase, localPath);
    if (overwrite_ != OverwriteAnswer::kYesToAll) {
        // Asked by the full path: inside a folder the server's current folder is that folder.
        const std::string remotePath = PathJoin(remoteStart_, remoteName);
        LSecureSocket& conn = session_.connection;
        if (FtpGetFileSizeQuiet(quiet_, conn, remotePath) != 0 &&
            GetLocalFileTime(localPath) < FtpGetFileTimeQuiet(quiet_, conn, remotePath) &&
            !WalkStopped() &&
            !AskOverwrite("A newer copy of the file \"" + localPath +
                          "\" already exists in the remote folder. Do you want to overwrite "
                          "it?")) {
            ++outcome_.skipped;
            return true;
        }
    }
    if (WalkStopped()) {
        return false;
    }
    LogFormat(kLogInfo, "Queuing file: %s", localPath.c_str());
    queue.Push(localPath, remoteName);
    if (walk_ != nullptr) {
        walk_->Queued();
    }
    return true;
}

void SelectionTransfers::RunUploads(FtpTransferQueue& queue, bool logItemErrors) {
    LProcessResult result = RunUploadFileList(launcher_, window_, kUploadFileListTitle, &queue);
    if (result != LPROCESS_OK) {
        Log(kLogError, "Cannot upload the file list");
    }
    // Added up: a synchronization runs downloads and uploads in one operation.
    outcome_.stopped = outcome_.stopped || result == LPROCESS_STOPPED;
    outcome_.queued += queue.count;
    for (const FtpTransferItem& item : queue.items) {
        if (CountItem(item, true) && logItemErrors) {
            Log(kLogError, item.errorText);
        }
    }
}
