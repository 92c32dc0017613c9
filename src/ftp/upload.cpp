#include "ftp/upload.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <ctime>

#include "frame/file_descriptor.h"
#include "frame/path_names.h"
#include "ftp/control_channel.h"
#include "ftp/ftp_features.h"
#include "ftp/local_files.h"
#include "ftp/passive.h"
#include "ftp/remote_listing.h"
#include "ftp/server_features.h"
#include "ftp/transfer_progress.h"

namespace {

constexpr std::size_t kMfmtCommandSize = 285;

void SetErrorText(std::string* errorText, const std::string& text) {
    if (errorText != nullptr) {
        *errorText = text;
    }
}

bool Preliminary(int code) {
    return code >= 100 && code <= 199;
}

// PASV and a fresh data connection.
LProcessResult OpenDataConnection(LProcessInterface& iface, LSecureSocket& conn,
                                  LSecureSocket& data) {
    std::string address;
    LProcessResult step = FtpPassive(iface, conn, address);
    if (step == LPROCESS_OK) {
        step = FtpOpenDataConnection(iface, address, data);
    }
    return step;
}

// Sends "VERB name" and reads the reply.
LProcessResult SendTransferCommand(LProcessInterface& iface, LSecureSocket& conn, const char* verb,
                                   const std::string& remoteName, int& code, std::string& text) {
    code = 0;
    text.clear();
    LProcessResult step = FtpSendCommand(
        iface, conn, FtpCommandLine(verb, remoteName, kLongCommandLineSize), kFtpSendTimeout);
    if (step != LPROCESS_OK) {
        return step;
    }
    return FtpReadReply(iface, conn, code, text);
}

// What the server holds of the file before an appending upload.
struct RemoteSize {
    bool known = false;
    std::uint64_t size = 0;
};

// Reads the next block of the local file; 0 at its end or on a read error.
std::size_t ReadBlock(int fd, char* block) {
    for (;;) {
        ssize_t got = read(fd, block, kDataBlockSize);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        return got > 0 ? static_cast<std::size_t>(got) : 0;
    }
}

// Positions the local file for an append and gives the fraction already on the server.
double SkipWhatTheServerHas(int fd, std::uint64_t localSize, const RemoteSize& remote) {
    if (!remote.known) {
        return 0.0;
    }
    if (localSize <= remote.size) {
        lseek(fd, 0, SEEK_END);
        return 0.0;
    }
    lseek(fd, static_cast<off_t>(remote.size), SEEK_SET);
    return static_cast<double>(remote.size) / static_cast<double>(localSize);
}

// Sends APPE (append) or STOR and reads the reply. A refused APPE, or a STOR refused with 550,
// is tried once more as a STOR on a fresh data connection; append is cleared then.
LProcessResult StartTransfer(LProcessInterface& iface, LSecureSocket& conn, LSecureSocket& data,
                             const std::string& remoteName, std::string* errorText, bool& append) {
    int code = 0;
    std::string text;
    LProcessResult step =
        SendTransferCommand(iface, conn, append ? "APPE" : "STOR", remoteName, code, text);
    if (step != LPROCESS_OK || Preliminary(code)) {
        return step;
    }
    SetErrorText(errorText, text);
    if (!append && code != 550) {
        return LPROCESS_FAILED;
    }
    SecureClose(data);
    step = OpenDataConnection(iface, conn, data);
    if (step == LPROCESS_OK) {
        step = SendTransferCommand(iface, conn, "STOR", remoteName, code, text);
    }
    if (step != LPROCESS_OK) {
        return step;
    }
    if (!Preliminary(code)) {
        SetErrorText(errorText, text);
        return LPROCESS_FAILED;
    }
    SetErrorText(errorText, "");
    append = false;
    return LPROCESS_OK;
}

// Reads the final reply (it cannot be stopped) and decides the upload: a send failure stays
// one; otherwise a reply of 200 to 399 succeeds.
LProcessResult FinishTransfer(LProcessInterface& iface, LSecureSocket& conn,
                              const std::string& remoteName, std::uint64_t localSize,
                              LProcessResult sent, std::string* errorText) {
    LProcessInterfaceVoidInstance silent;
    int code = 0;
    std::string text;
    LProcessResult read = FtpReadReply(silent, conn, code, text);
    if (read == LPROCESS_OK && !FtpPositive(code)) {
        SetErrorText(errorText, text);
    }
    if (sent != LPROCESS_OK) {
        return sent;
    }
    if (read != LPROCESS_OK) {
        return read;
    }
    if (code != 426) {
        return FtpPositive(code) ? LPROCESS_OK : LPROCESS_FAILED;
    }
    // Some servers abort the transfer after its last byte arrived; the file on the server
    // decides.
    std::uint64_t remoteSize = 0;
    LProcessResult asked = FtpGetFileSize(iface, conn, remoteName, remoteSize);
    if (asked != LPROCESS_OK) {
        return asked;
    }
    if (remoteSize != localSize) {
        return LPROCESS_FAILED;
    }
    SetErrorText(errorText, "");
    return LPROCESS_OK;
}

// "MFMT YYYYMMDDHHMMSS name" with the local file's modification time in UTC.
LProcessResult SetRemoteFileTime(LProcessInterface& iface, LSecureSocket& conn,
                                 const std::string& remoteName, const std::string& localPath) {
    time_t modified = GetLocalFileTime(localPath);
    tm utc{};
    gmtime_r(&modified, &utc);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d%02d", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
    return FtpCommand(
        iface, conn,
        FtpCommandLine("MFMT", std::string(stamp) + " " + remoteName, kMfmtCommandSize));
}

}  // namespace

LProcessResult FtpUploadFile(LProcessInterface& iface, LSecureSocket& conn,
                             const std::string& remoteName, const std::string& localPath,
                             std::string* errorText, bool append) {
    iface.SetStatusText("Uploading file...", 0);
    iface.SetStatusText(PathFileName(localPath).c_str(), 1);
    SetErrorText(errorText, "");
    FileDescriptor file;
    if (!OpenFileForRead(file, localPath)) {
        return LPROCESS_FAILED;
    }
    LProcessResult step = conn.ssl != nullptr ? FtpProtectDataChannel(iface, conn) : LPROCESS_OK;
    if (step != LPROCESS_OK) {
        return step;
    }
    // Asked before the data connection is opened: servers such as vsftpd stop reading commands
    // while a transfer waits for its data, and the size would arrive only after a time-out.
    RemoteSize remote;
    if (append) {
        step = FtpGetFileSize(iface, conn, remoteName, remote.size);
        if (step == LPROCESS_STOPPED) {
            return step;
        }
        remote.known = step == LPROCESS_OK;
    }
    LSecureSocket data;
    step = FtpCommand(iface, conn, "TYPE I\r\n");
    if (step == LPROCESS_OK) {
        step = OpenDataConnection(iface, conn, data);
    }
    if (step != LPROCESS_OK) {
        return step;
    }
    step = StartTransfer(iface, conn, data, remoteName, errorText, append);
    if (step != LPROCESS_OK) {
        return step;
    }

    struct stat info {};
    const std::uint64_t localSize =
        fstat(file.get(), &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
    iface.SetProgress(0.0);
    const double start = append ? SkipWhatTheServerHas(file.get(), localSize, remote) : 0.0;
    TransferProgress progress(iface, remoteName, localSize, start);
    step = FtpSecureDataConnection(iface, conn, data);
    if (step != LPROCESS_OK) {
        return step;
    }
    LProcessResult result = LPROCESS_OK;
    char block[kDataBlockSize];
    for (std::size_t count; (count = ReadBlock(file.get(), block)) > 0;) {
        result = SecureSendAll(iface, data, block, count, kFtpDataSendTimeout);
        if (result == LPROCESS_STOPPED) {
            return result;
        }
        if (result != LPROCESS_OK) {
            break;
        }
        progress.Block();
    }
    SecureClose(data);
    result = FinishTransfer(iface, conn, remoteName, localSize, result, errorText);
    if (result != LPROCESS_OK) {
        return result;
    }
    if (FtpQueryFeatures(iface, conn) == LPROCESS_STOPPED) {
        return LPROCESS_STOPPED;
    }
    if (conn.features & kFeatMfmt) {
        result = SetRemoteFileTime(iface, conn, remoteName, localPath);
    }
    return result;
}

LProcessResult FtpUploadItem(LProcessInterface& iface, FtpTransferItem& item) {
    iface.SetStatusText("Uploading file ...", 0);
    iface.SetStatusText(PathFileName(item.localPath).c_str(), 1);
    return FtpUploadFile(iface, *item.conn, item.remoteName, item.localPath, &item.errorText,
                         false);
}
