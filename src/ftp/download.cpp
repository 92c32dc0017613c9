#include "ftp/download.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "frame/file_descriptor.h"
#include "frame/paths.h"
#include "ftp/control_channel.h"
#include "ftp/local_files.h"
#include "ftp/passive.h"
#include "ftp/remote_listing.h"
#include "ftp/reply_in_step.h"
#include "ftp/transfer_progress.h"

namespace {

constexpr std::string_view kTemporaryPrefix = ".brindleftp-";
constexpr std::string_view kTemporarySuffix = ".part";
void SetErrorText(std::string* errorText, const std::string& text) {
    if (errorText != nullptr) {
        *errorText = text;
    }
}

// The folder part of a path ("" for a bare name).
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return "";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::uint64_t NameHash(std::string_view name) {
    std::uint64_t hash = 14695981039346656037ULL;  // FNV-1a
    for (unsigned char c : name) {
        hash = (hash ^ c) * 1099511628211ULL;
    }
    return hash;
}

// The target with its links resolved: renaming over a link would replace the link itself.
std::string ResolvedTarget(const std::string& target) {
    char resolved[PATH_MAX];
    if (realpath(target.c_str(), resolved) != nullptr) {
        return resolved;
    }
    const std::string folder = FolderOf(target);
    if (realpath(folder.empty() ? "." : folder.c_str(), resolved) != nullptr) {
        return PathJoin(resolved, NameOf(target));
    }
    return target;
}

std::string TemporaryName(const std::string& name) {
    std::string whole = std::string(kTemporaryPrefix) + name + std::string(kTemporarySuffix);
    if (whole.size() <= NAME_MAX) {
        return whole;
    }
    char hash[20];
    std::snprintf(hash, sizeof hash, "-%016llx", static_cast<unsigned long long>(NameHash(name)));
    const std::size_t keep =
        NAME_MAX - kTemporaryPrefix.size() - kTemporarySuffix.size() - std::strlen(hash);
    return std::string(kTemporaryPrefix) + name.substr(0, keep) + hash +
           std::string(kTemporarySuffix);
}

std::string TemporaryPathOf(const std::string& resolved) {
    const std::string folder = FolderOf(resolved);
    const std::string name = TemporaryName(NameOf(resolved));
    return folder.empty() ? name : PathJoin(folder, name);
}

// Temporary files left by a crashed run: nobody holds their lock any more.
void RemoveStaleTemporaryFiles(const std::string& folder) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.empty() ? "." : folder.c_str()),
                                            closedir);
    if (!dir) {
        return;
    }
    while (const dirent* entry = readdir(dir.get())) {
        if (!IsDownloadTemporaryName(entry->d_name)) {
            continue;
        }
        const std::string path = folder.empty() ? entry->d_name : PathJoin(folder, entry->d_name);
        FileDescriptor fd(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
        if (fd.valid() && flock(fd.get(), LOCK_EX | LOCK_NB) == 0) {
            unlink(path.c_str());
        }
    }
}

// Removes the temporary file unless the download put it in place.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
    ~TemporaryFile() {
        if (!path_.empty()) {
            unlink(path_.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    const std::string& path() const { return path_; }
    void Release() { path_.clear(); }

private:
    std::string path_;
};

std::string LocalErrorText(const char* prefix, int error) {
    return std::string(prefix) + std::strerror(error);
}

// PBSZ and PROT first on a TLS session (or the server would send the data in clear while this
// side expects TLS), TYPE I when the session is not in it, PASV and the data connection.
LProcessResult OpenBinaryDataConnection(LProcessInterface& iface, LSecureSocket& conn,
                                        LSecureSocket& data) {
    LProcessResult step = conn.ssl != nullptr ? FtpProtectDataChannel(iface, conn) : LPROCESS_OK;
    if (step == LPROCESS_OK) {
        step = FtpSetTransferType(iface, conn, 'I');
    }
    std::string address;
    if (step == LPROCESS_OK) {
        step = FtpPassive(iface, conn, address);
    }
    if (step == LPROCESS_OK) {
        step = FtpOpenDataConnection(iface, address, data);
    }
    return step;
}

// Receives until the peer closes the data connection, which alone sets `complete`. A block that
// cannot be written (a full disk) ends it failed at once with the system's reason.
LProcessResult ReceiveIntoFile(LProcessInterface& iface, LSecureSocket& data, int fd,
                               TransferProgress& progress, bool& complete, std::string* errorText) {
    std::vector<char> block(kDataBlockSize);
    progress.Start();
    for (;;) {
        std::size_t count = 0;
        bool closed = false;
        LProcessResult received = SecureReceive(iface, data, block.data(), block.size(), count,
                                                kFtpDataReceiveTimeout, &closed);
        if (received != LPROCESS_OK) {
            complete = closed;
            return closed ? LPROCESS_OK : received;
        }
        if (!WriteAll(fd, block.data(), count)) {
            SetErrorText(errorText, LocalErrorText("Cannot write to local file: ", errno));
            return LPROCESS_FAILED;
        }
        progress.Advance(count);
    }
}

// The remote time on the still open temporary file; its access time stays.
void SetModifiedTime(int fd, time_t modified) {
    if (modified == 0) {
        return;
    }
    timespec times[2] = {};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = modified;
    futimens(fd, times);
}

}  // namespace

std::string DownloadTemporaryPath(const std::string& target) {
    return TemporaryPathOf(ResolvedTarget(target));
}

bool IsDownloadTemporaryName(std::string_view name) {
    return name.size() > kTemporaryPrefix.size() + kTemporarySuffix.size() &&
           name.substr(0, kTemporaryPrefix.size()) == kTemporaryPrefix &&
           name.substr(name.size() - kTemporarySuffix.size()) == kTemporarySuffix;
}

LProcessResult FtpReadTransferReply(LProcessInterface& iface, LSecureSocket& conn, int& code,
                                    std::string& text) {
    LProcessInterfaceVoidInstance quiet(iface);
    LProcessResult read =
        iface.IsStopped() ? LPROCESS_STOPPED : FtpReadReply(quiet, conn, code, text);
    if (read == LPROCESS_STOPPED) {
        FtpSettleOwedReply(conn);
    }
    return read;
}

LProcessResult FtpDownloadFile(LProcessInterface& iface, LSecureSocket& conn,
                               const std::string& remoteName, const std::string& localPath,
                               std::string* errorText, std::int64_t knownSize, time_t knownTime) {
    SetErrorText(errorText, "");
    const std::string target = ResolvedTarget(localPath);
    RemoveStaleTemporaryFiles(FolderOf(target));
    TemporaryFile temporary(TemporaryPathOf(target));
    FileDescriptor file;
    if (!OpenFileForWrite(file, temporary.path())) {
        SetErrorText(errorText, LocalErrorText("Cannot write to local file: ", errno));
        return LPROCESS_FAILED;
    }
    struct stat replaced {};
    if (stat(target.c_str(), &replaced) == 0) {
        fchmod(file.get(), replaced.st_mode & 07777);
    }
    // The size first: when SIZE is refused, its fall-back listing opens a passive connection
    // of its own and leaves the type at ASCII, which would spoil the one opened for RETR.
    const std::uint64_t expected = knownSize >= 0 ? static_cast<std::uint64_t>(knownSize)
                                                  : FtpGetFileSizeQuiet(iface, conn, remoteName);
    if (iface.IsStopped()) {
        return LPROCESS_STOPPED;
    }
    LSecureSocket data;
    LProcessResult step = OpenBinaryDataConnection(iface, conn, data);
    if (step != LPROCESS_OK) {
        return step;
    }
    step = FtpSendCommand(iface, conn, FtpCommandLine("RETR", remoteName, kLongCommandLineSize),
                          kFtpSendTimeout);
    if (step != LPROCESS_OK) {
        return step;
    }
    int code = 0;
    std::string text;
    step = FtpReadReply(iface, conn, code, text);
    if (step != LPROCESS_OK) {
        SetErrorText(errorText, text);
        return step;
    }
    if (code < 100 || code > 199) {
        SetErrorText(errorText, text);
        return LPROCESS_FAILED;
    }

    bool complete = false;
    TransferProgress progress(iface, remoteName, expected);
    LProcessResult result = FtpSecureDataConnection(iface, conn, data);
    if (result == LPROCESS_OK) {
        result = ReceiveIntoFile(iface, data, file.get(), progress, complete, errorText);
    }
    // Only a data connection the peer closed is the whole file; a stop or a time-out never is.
    if (result == LPROCESS_OK && !complete) {
        result = LPROCESS_FAILED;
    }
    SecureClose(data);
    // The final reply is always read, so the control connection stays in step.
    LProcessResult read = FtpReadTransferReply(iface, conn, code, text);
    if (result == LPROCESS_OK) {
        if (read != LPROCESS_OK) {
            result = read;
        } else if (!FtpPositive(code) || code >= 300) {
            SetErrorText(errorText, text);
            result = LPROCESS_FAILED;
        }
    }
    if (result != LPROCESS_OK) {
        return iface.IsStopped() ? LPROCESS_STOPPED : result;
    }
    SetModifiedTime(file.get(),
                    knownTime != 0 ? knownTime : FtpGetFileTimeQuiet(iface, conn, remoteName));
    if (iface.IsStopped()) {
        return LPROCESS_STOPPED;
    }
    // A failed close may have lost written data.
    if (!file.Close()) {
        SetErrorText(errorText, LocalErrorText("Cannot write to local file: ", errno));
        return LPROCESS_FAILED;
    }
    if (rename(temporary.path().c_str(), target.c_str()) != 0) {
        SetErrorText(errorText, LocalErrorText("Cannot write to local file: ", errno));
        return LPROCESS_FAILED;
    }
    temporary.Release();
    progress.Finish();
    return LPROCESS_OK;
}

LProcessResult FtpDownloadItem(LProcessInterface& iface, FtpTransferItem& item) {
    return FtpDownloadFile(iface, *item.conn, item.remoteName, item.localPath, &item.errorText,
                           item.knownSize, item.knownTime);
}

LProcessResult DownloadFile::Run(LProcessInterface& iface) {
    return FtpDownloadItem(iface, *item_);
}

LProcessResult RunDownloadFile(ProcessLauncher& launcher, LWindow parent, const char* title,
                               FtpTransferItem* item) {
    DownloadFile process(item);
    return RunProcess(launcher, parent, title, process);
}
