#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ftp/ftp_session.h"
#include "process/process_launcher.h"
#include "process/ui_services.h"
#include "transfer/queue_walk.h"
#include "transfer/transfer_pane.h"
#include "transfer/transfer_queue.h"

// An item that failed: a queued file that did not arrive, or the item that ended the walk.
struct TransferFailure {
    bool upload = false;
    std::string name;       // the remote path of a download, the local path of an upload
    std::string reason;     // the server's text, the walk's reason, or kItemFailedText
    std::string localPath;  // the queued item's local path; empty for the walk's items
};

// How the last transfer command of a SelectionTransfers ended, for callers that must know about
// every item (the command-line program); the windows only log.
struct TransferOutcome {
    bool declined = false;   // the synchronize confirmation was answered No
    bool busy = false;       // another operation held the session: nothing was done
    bool walkEnded = false;  // queue building ended early (folder not entered, suspicious name)
    bool stopped = false;    // a queue run was stopped
    std::size_t queued = 0;  // items queued
    std::size_t failed = 0;  // items that failed: an error text other than the stop's
    std::size_t stoppedItems = 0;  // items that ended "LPROCESS_STOPPED"
    // Items left out without failing: overwrites answered No, paths too long to upload, and
    // the queued items of a synchronization whose walk ended early.
    std::size_t skipped = 0;
    std::vector<TransferFailure> failures;  // in the order they ended
};

// The transfer commands of the main window: downloads and uploads of selections and the
// two-way synchronization of the two panes' folders. Queue building talks to the server on the
// session's own connection under a "Preparing file list" process that shows itself once the walk
// takes half a second and can be cancelled (nothing is transferred then); the queues then run as
// one process each under the launcher. While another operation holds the session (events run
// inside its waits), a command does nothing and says so in the outcome and the log.
class SelectionTransfers {
public:
    SelectionTransfers(LFtpList& session, TransferPane& pane, UserInterfaceServices& ui,
                       ProcessLauncher& launcher, LWindow window = nullptr)
        : session_(session),
          pane_(pane),
          ui_(ui),
          launcher_(launcher),
          window_(window),
          quiet_(session) {}

    // Downloads the remote pane's selection into localTarget.
    void DownloadSelection(const std::string& localTarget);
    // Uploads local paths; localBase is the local pane's folder.
    void UploadSelection(const std::vector<std::string>& paths, const std::string& localBase);
    // Uploads files dropped on the remote list; the base is the first file's folder.
    void UploadDroppedFiles(const std::vector<std::string>& paths);
    // Makes localFolder and the remote pane's folder agree; localItems are the full paths of
    // the local pane's items.
    void Synchronize(const std::string& localFolder, const std::vector<std::string>& localItems);

    const TransferOutcome& outcome() const { return outcome_; }

    // Queue building of downloads; false stops the walk.
    // `listed` is what the enclosing folder's listing said; unknown kinds are asked of the server.
    bool DownloadItem(FtpTransferQueue& queue, const std::string& localFolder,
                      const std::string& name, const ListedFacts& listed = {});
    bool DownloadFolder(FtpTransferQueue& queue, const std::string& localFolder,
                        const std::string& name);
    bool DownloadLink(FtpTransferQueue& queue, const std::string& localFolder,
                      const std::string& name);
    bool QueueDownloadFile(FtpTransferQueue& queue, const std::string& localFolder,
                           const std::string& name, const ListedFacts& listed = {});

    // Queue building of uploads; false stops the walk.
    bool UploadItem(FtpTransferQueue& queue, const std::string& localBase, const std::string& path);
    bool UploadFolder(FtpTransferQueue& queue, const std::string& localBase,
                      const std::string& localDir);
    bool QueueUploadFile(FtpTransferQueue& queue, const std::string& localBase,
                         const std::string& localPath);

private:
    // The answer to the overwrite question that holds for the rest of the operation.
    enum class OverwriteAnswer { kAsk, kYesToAll, kNoToAll };

    // "FtpDownloadFileList" over the queue, then each item's outcome: the error logged and the
    // local file removed, or the remote time set on the local file.
    void RunDownloads(FtpTransferQueue& queue);
    // Queues the paths in order until one ends the walk (skipping paths that do not exist when
    // asked to), then changes the server back to the start folder; false when stopped.
    bool QueueUploads(FtpTransferQueue& queue, const std::string& localBase,
                      const std::vector<std::string>& paths, bool skipMissing);
    // "FtpUploadFileList" over the queue; `logItemErrors` logs every item's error text.
    void RunUploads(FtpTransferQueue& queue, bool logItemErrors);
    // Asks the overwrite question unless an earlier answer holds for all; true to overwrite.
    bool AskOverwrite(const std::string& text);
    void StartOperation();
    // True, with the outcome busy and a line in the log, while another operation holds the
    // session.
    bool SessionBusy();
    // Runs the part of a command that talks to the server while it holds the session; false
    // when it was busy.
    bool WithSession(const std::function<void()>& operation);
    // Runs a queue-building walk under the "Preparing file list" process; false when it was
    // stopped, with the outcome marked stopped.
    bool RunWalk(const std::function<void()>& walk);
    // The running walk was stopped; false outside a walk.
    bool WalkStopped() { return walk_ != nullptr && walk_->Stopped(); }
    // Adds a finished queue item to the outcome; true when it ended with an error text.
    bool CountItem(const FtpTransferItem& item, bool upload);
    // Records the item that ends the walk; always false, for the walk to return.
    bool EndWalk(bool upload, const std::string& name, const std::string& reason);
    // The synchronize confirmation, unless "Do not ask again." was ticked with a Yes before.
    bool ConfirmSynchronize(const std::string& localFolder, const std::string& remoteFolder);
    // The synchronization once confirmed; false when nothing moved because a walk ended early.
    bool SynchronizeFolders(const std::string& localFolder, const std::string& remoteFolder,
                            const std::vector<std::string>& localItems);
    // Queues what the remote folder's listing decides; false when the walk ended early.
    bool WalkRemoteForSync(FtpTransferQueue& downloads, FtpTransferQueue& uploads,
                           const std::string& localFolder);

    LFtpList& session_;
    TransferPane& pane_;
    UserInterfaceServices& ui_;
    ProcessLauncher& launcher_;
    LWindow window_;

    std::string remoteStart_;  // the remote folder current when the operation started
    std::string localTarget_;  // the local folder files are downloaded into
    OverwriteAnswer overwrite_ = OverwriteAnswer::kAsk;
    bool skipSyncConfirmation_ = false;  // "Do not ask again." was ticked
    TransferOutcome outcome_;
    QueueWalk* walk_ = nullptr;  // the running walk, if any
    // The look-ups' interface: silent, with the session's stop and waits, which are the walk's
    // while one runs.
    LProcessInterfaceVoidInstance quiet_;
};
