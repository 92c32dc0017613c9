#include <algorithm>

#include "frame/ascii_case.h"
#include "frame/logger.h"
#include "frame/path_names.h"
#include "ftp/open_remote_file.h"
#include "transfer/download_names.h"
#include "transfer/remote_pane.h"

namespace {

std::string FolderOrRoot(const std::string& path) {
    return path.empty() ? std::string("/") : path;
}

}  // namespace

bool RemotePane::RefreshRemote() {
    if (!RefreshListing()) {
        return false;
    }
    std::move_backward(history_.begin(), history_.end() - 1, history_.end());
    history_[0] = remoteDir;
    historyPosition_ = 0;
    NotifyCommand(kRemoteFolderChangedCommand);
    return true;
}

bool RemotePane::ChangeRemoteFolder(const std::string& path) {
    const std::string old = remoteDir;
    remoteDir = FolderOrRoot(path);
    if (!RefreshRemote()) {
        remoteDir = FolderOrRoot(old);
        return false;
    }
    LogJoin(kLogInfo, "Change directory successfully: ", remoteDir);
    return true;
}

bool RemotePane::OpenRemoteFolder(const std::string& name) {
    if (!remoteDir.empty() && remoteDir.back() == '/') {
        return ChangeRemoteFolder(remoteDir + name);
    }
    return ChangeRemoteFolder(remoteDir + "/" + name);
}

bool RemotePane::RemoteUpOneLevel() {
    const std::string left = PathFileName(remoteDir);
    const std::string old = remoteDir;
    remoteDir = FolderOrRoot(ParentPath(remoteDir));
    if (!RefreshRemote()) {
        // The rows still show the folder that was left.
        remoteDir = FolderOrRoot(old);
        return false;
    }
    SelectRowNamed(left);
    return true;
}

bool RemotePane::ShowFolder(const std::string& path) {
    const std::string old = remoteDir;
    remoteDir = FolderOrRoot(path);
    if (!RefreshListing()) {
        remoteDir = FolderOrRoot(old);
        return false;
    }
    return true;
}

bool RemotePane::ShowHistoryEntry(std::size_t position) {
    // The position moves even when the entry cannot be shown, so a folder that is gone can be
    // stepped over.
    historyPosition_ = position;
    const bool shown = ShowFolder(history_[position]);
    NotifyCommand(kRemoteFolderChangedCommand);
    return shown;
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
    return connected && next < kRemoteHistorySize && !history_[next].empty();
}

bool RemotePane::CanGoForward() const {
    return connected && historyPosition_ > 0 && !history_[historyPosition_ - 1].empty();
}

bool RemotePane::OpenRemoteSelection(bool allowFile) {
    if (focusedRow_ < 0 || static_cast<std::size_t>(focusedRow_) >= rows_.size()) {
        return false;
    }
    const RemotePaneRow row = rows_[focusedRow_];
    const std::string& name = row[kRemoteColumnName];
    if (EqualsIgnoringCase(row[kRemoteColumnKind], kRemoteKindFolder)) {
        return OpenRemoteFolder(name);
    }
    if (row[kRemoteColumnKind] == kRemoteKindFile) {
        return allowFile && OpenRemoteFile(*this, launcher(), ui(), window(), name) == LPROCESS_OK;
    }
    const std::string linkName = LinkOwnName(name);
    LogJoin(kLogInfo, "Attempt to open symbolic link as directory: ", linkName);
    if (OpenRemoteFolder(linkName)) {
        return true;
    }
    if (!allowFile) {
        Log(kLogInfo, "Could not open symbolic link as directory.");
        return false;
    }
    LogJoin(kLogInfo, "Attempt to open symbolic link as file: ", linkName);
    return OpenRemoteFile(*this, launcher(), ui(), window(), linkName) == LPROCESS_OK;
}
