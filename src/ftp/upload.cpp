#include "ftp/upload.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "frame/file_descriptor.h"
#include "frame/path_names.h"
#include "ftp/control_channel.h"
#include "ftp/download.h"
#include "ftp/ftp_features.h"
#include "ftp/local_files.h"
#include "ftp/passive.h"
#include "ftp/remote_listing.h"
#include "ftp/reply_in_step.h"
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

// Reads the next block of the local file: its size, 0 at its end, -1 on a read error.
ssize_t ReadBlock(int fd, std::vector<char>& block) {
    for (;;) {
        ssize_t got = read(fd, block.data(), block.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        return got;
    }
}

// Positions the local file for an append and gives the bytes already on the server.
std::uint64_t SkipWhatTheServerHas(int fd, std::uint64_t localSize, const RemoteSize& remote) {
    if (!remote.known) {
        return 0;
    }
    if (localSize <= remote.size) {
        lseek(fd, 0, SEEK_END);
        return 0;
    }
    lseek(fd, static_cast<off_t>(remote.size), SEEK_SET);
    return remote.size;
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

// Reads the final reply and decides the upload: a send failure or a stop stays one; otherwise a
// reply of 200 to 399 succeeds.
LProcessResult FinishTransfer(LProcessInterface& iface, LSecureSocket& conn,
                              const std::string& remoteName, std::uint64_t localSize,
                              LProcessResult sent, std::string* errorText) {
    int code = 0;
    std::string text;
    LProcessResult read = FtpReadTransferReply(iface, conn, code, text);
    if (read == LPROCESS_OK && !FtpPositive(code)) {
        SetErrorText(errorText, text);
    }
    if (sent != LPROCESS_OK || read == LPROCESS_STOPPED) {
        return sent != LPROCESS_OK ? sent : read;
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
    step = FtpSetTransferType(iface, conn, 'I');
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
    const std::uint64_t start = append ? SkipWhatTheServerHas(file.get(), localSize, remote) : 0;
    TransferProgress progress(iface, remoteName, localSize, start);
    progress.Start();
    LProcessResult result = FtpSecureDataConnection(iface, conn, data);
    std::vector<char> block(result == LPROCESS_OK ? kUploadBlockSize : 0);
    while (result == LPROCESS_OK) {
        const ssize_t count = ReadBlock(file.get(), block);
        if (count < 0) {
            SetErrorText(errorText, std::string("Cannot read local file: ") + std::strerror(errno));
            result = LPROCESS_FAILED;
        } else if (count == 0) {
            break;
        } else {
            result = SecureSendAll(iface, data, block.data(), static_cast<std::size_t>(count),
                                   kFtpDataSendTimeout);
            if (result == LPROCESS_OK) {
                progress.Advance(static_cast<std::uint64_t>(count));
            }
        }
    }
    // Closed before the final reply: the server waits for the end of the data to send it.
    if (SecureCloseAfterSending(iface, data, kFtpOwedReplyTimeout) == LPROCESS_STOPPED &&
        result == LPROCESS_OK) {
        result = LPROCESS_STOPPED;
    }
    const std::string localError = errorText != nullptr ? *errorText : std::string();
    result = FinishTransfer(iface, conn, remoteName, localSize, result, errorText);
    if (!localError.empty()) {
        SetErrorText(errorText, localError);
    }
    if (result != LPROCESS_OK) {
        return result;
    }
    progress.Finish();
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
