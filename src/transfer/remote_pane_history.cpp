#include <algorithm>

#include "frame/logger.h"
#include "frame/path_names.h"
#include "ftp/open_remote_file.h"
#include "ftp/remote_listing.h"
#include "transfer/download_names.h"
#include "transfer/remote_pane.h"

namespace {

std::string FolderOrRoot(const std::string& path) {
    return path.empty() ? std::string("/") : path;
}

}  // namespace

bool RemotePane::RefreshRemote() {
    return WithSession([this] { return ListAndRecord(); });
}

bool RemotePane::ListAndRecord() {
    if (!ListFolder()) {
        return false;
    }
    std::move_backward(history_.begin(), history_.end() - 1, history_.end());
    history_[0] = session_.remoteDir;
    historyPosition_ = 0;
    NotifyCommand(kRemoteFolderChangedCommand);
    return true;
}

bool RemotePane::ChangeRemoteFolder(const std::string& path) {
    return WithSession([&] { return ChangeFolder(path); });
}

bool RemotePane::ChangeFolder(const std::string& path) {
    std::string& remoteDir = session_.remoteDir;
    const std::string old = remoteDir;
    remoteDir = FolderOrRoot(path);
    if (!ListAndRecord()) {
        remoteDir = FolderOrRoot(old);
        return false;
    }
    LogJoin(kLogInfo, "Change directory successfully: ", remoteDir);
    return true;
}

bool RemotePane::OpenRemoteFolder(const std::string& name) {
    const std::string& remoteDir = session_.remoteDir;
    if (!remoteDir.empty() && remoteDir.back() == '/') {
        return ChangeRemoteFolder(remoteDir + name);
    }
    return ChangeRemoteFolder(remoteDir + "/" + name);
}

bool RemotePane::RemoteUpOneLevel() {
    return WithSession([this] {
        std::string& remoteDir = session_.remoteDir;
        const std::string left = PathFileName(remoteDir);
        const std::string old = remoteDir;
        remoteDir = FolderOrRoot(ParentPath(remoteDir));
        if (!ListAndRecord()) {
            // The rows still show the folder that was left.
            remoteDir = FolderOrRoot(old);
            return false;
        }
        SelectRowNamed(left);
        return true;
    });
}

bool RemotePane::ShowFolder(const std::string& path) {
    const std::string old = session_.remoteDir;
    session_.remoteDir = FolderOrRoot(path);
    if (!ListFolder()) {
        session_.remoteDir = FolderOrRoot(old);
        return false;
    }
    return true;
}

bool RemotePane::ShowHistoryEntry(std::size_t position) {
    return WithSession([&] {
        // The position moves even when the entry cannot be shown, so a folder that is gone can
        // be stepped over.
        historyPosition_ = position;
        const bool shown = ShowFolder(history_[position]);
        NotifyCommand(kRemoteFolderChangedCommand);
        return shown;
    });
}

bool RemotePane::RemoteBack() {
    const std::size_t next = historyPosition_ + 1;
    if (next >= kRemoteHistorySize || history_[next].empty()) {
        return false;
    }
    return ShowHistoryEntry(next);
}

bool RemotePane::RemoteForward() {
    if (historyPosition_ == 0) {
        return false;
    }
    return ShowHistoryEntry(historyPosition_ - 1);
}

bool RemotePane::CanGoBack() const {
    const std::size_t next = historyPosition_ + 1;
    return session_.connected && next < kRemoteHistorySize && !history_[next].empty();
}

bool RemotePane::CanGoForward() const {
    return session_.connected && historyPosition_ > 0 && !history_[historyPosition_ - 1].empty();
}

bool RemotePane::OpenRemoteSelection(bool allowFile) {
    if (focusedRow_ < 0 || static_cast<std::size_t>(focusedRow_) >= rows_.size()) {
        return false;
    }
    const RemotePaneItem row = rows_[focusedRow_];
    if (row.kind == kItemFolder) {
        return OpenRemoteFolder(row.name);
    }
    ProcessLauncher& launcher = session_.launcher();
    if (row.kind == kItemFile) {
        return allowFile && OpenRemoteFile(session_, launcher, session_.ui(), session_.window(),
                                           row.name) == LPROCESS_OK;
    }
    const std::string linkName = LinkOwnName(row.name);
    LogJoin(kLogInfo, "Attempt to open symbolic link as directory: ", linkName);
    if (OpenRemoteFolder(linkName)) {
        return true;
    }
    if (!allowFile) {
        Log(kLogInfo, "Could not open symbolic link as directory.");
        return false;
    }
    LogJoin(kLogInfo, "Attempt to open symbolic link as file: ", linkName);
    return OpenRemoteFile(session_, launcher, session_.ui(), session_.window(), linkName) ==
           LPROCESS_OK;
}
