#include "ftp/open_remote_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "frame/logger.h"
#include "frame/path_names.h"
#include "frame/paths.h"
#include "ftp/download.h"

namespace {

// Queued notifications to the session's owner around a download.
constexpr std::uint32_t kPauseConnectionCheck = 0;
constexpr std::uint32_t kResumeConnectionCheck = 1;

std::string CacheHome() {
    const char* cacheHome = std::getenv("XDG_CACHE_HOME");
    // The XDG rules ignore a relative path here.
    if (cacheHome != nullptr && cacheHome[0] == '/') {
        return cacheHome;
    }
    return PathJoin(GetHomeFolder(), ".cache");
}

}  // namespace

std::string GetOpenFilesFolder() {
    std::string parent = PathJoin(CacheHome(), "brindleftp");
    std::string folder = PathJoin(parent, "open");
    if (!CreateFolderPath(parent)) {
        return "";
    }
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return "";
    }
    // Only a real folder of this user, closed to everybody else, is used.
    struct stat info {};
    if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid()) {
        return "";
    }
    if ((info.st_mode & 07777) != 0700 && chmod(folder.c_str(), 0700) != 0) {
        return "";
    }
    return folder;
}

LProcessResult OpenRemoteFile(LFtpList& session, ProcessLauncher& launcher,
                              UserInterfaceServices& ui, LWindow parent,
                              const std::string& remoteName) {
    if (!session.connected) {
        return LPROCESS_FAILED;
    }
    SessionInUse use(session);
    if (!use) {
        LogSessionBusy();
        return LPROCESS_FAILED;
    }
    std::string folder = GetOpenFilesFolder();
    // Only the name's last part, so that the file cannot land outside the private folder.
    std::string name = PathFileName(remoteName);
    if (folder.empty() || name.empty() || name == "." || name == "..") {
        LogFormat(kLogError, "Cannot open file: %s", remoteName.c_str());
        return LPROCESS_FAILED;
    }
    FtpTransferItem item;
    item.conn = &session.connection;
    item.localPath = PathJoin(folder, name);
    item.remoteName = remoteName;
    session.PostQueuedNotify(kPauseConnectionCheck, nullptr, 0);
    LProcessResult result = RunDownloadFile(launcher, parent, kFtpDownloadTitle, &item);
    session.PostQueuedNotify(kResumeConnectionCheck, nullptr, 0);
    if (result == LPROCESS_OK) {
        if (ui.OpenWithDefaultApplication(item.localPath)) {
            LogJoin(kLogInfo, "Open file successfully: ", remoteName);
        } else {
            LogFormat(kLogError, "Cannot open file: %s", remoteName.c_str());
            result = LPROCESS_FAILED;
        }
    } else if (!item.errorText.empty()) {
        LogFormat(kLogError, "Cannot open file: %s", remoteName.c_str());
        Log(kLogError, item.errorText);
    }
    return result;
}
