#include "ftp/download.h"

#include <unistd.h>

#include <cstdint>

#include "frame/file_descriptor.h"
#include "ftp/control_channel.h"
#include "ftp/local_files.h"
#include "ftp/passive.h"
#include "ftp/remote_listing.h"
#include "ftp/transfer_progress.h"

namespace {

void SetErrorText(std::string* errorText, const std::string& text) {
    if (errorText != nullptr) {
        *errorText = text;
    }
}

// TYPE I, PASV and the data connection (with PBSZ and PROT first on a TLS session, or the
// server would send the data in clear while this side expects TLS).
LProcessResult OpenBinaryDataConnection(LProcessInterface& iface, LSecureSocket& conn,
                                        LSecureSocket& data) {
    LProcessResult step = conn.ssl != nullptr ? FtpProtectDataChannel(iface, conn) : LPROCESS_OK;
    if (step == LPROCESS_OK) {
        step = FtpCommand(iface, conn, "TYPE I\r\n");
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

// Receives until the data ends; the total goes to `total`. A block that cannot be written (a
// full disk) ends it failed, with `writeFailed` set.
LProcessResult ReceiveIntoFile(LProcessInterface& iface, LSecureSocket& data, int fd,
                               const std::string& remoteName, std::uint64_t expected,
                               std::uint64_t& total, bool& writeFailed) {
    TransferProgress progress(iface, remoteName, expected);
    char block[kDataBlockSize];
    for (;;) {
        progress.Block();
        std::size_t count = 0;
        LProcessResult received =
            SecureReceive(iface, data, block, sizeof block, count, kFtpDataReceiveTimeout);
        if (received != LPROCESS_OK) {
            return received;
        }
        total += count;
        if (!WriteAll(fd, block, count)) {
            writeFailed = true;
            return LPROCESS_FAILED;
        }
    }
}

}  // namespace

LProcessResult FtpDownloadFile(LProcessInterface& iface, LSecureSocket& conn,
                               const std::string& remoteName, const std::string& localPath,
                               std::string* errorText) {
    SetErrorText(errorText, "");
    LSecureSocket data;
    FileDescriptor file;
    if (!OpenFileForWrite(file, localPath)) {
        return LPROCESS_FAILED;
    }
    // The size first: when SIZE is refused, its fall-back listing opens a passive connection
    // of its own and leaves the type at ASCII, which would spoil the one opened for RETR.
    const std::uint64_t expected = FtpGetFileSizeQuiet(conn, remoteName);
    // Until the server starts sending, failures leave the local file empty.
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

    std::uint64_t total = 0;
    bool writeFailed = false;
    LProcessResult result = FtpSecureDataConnection(iface, conn, data);
    if (result == LPROCESS_OK) {
        result = ReceiveIntoFile(iface, data, file.get(), remoteName, expected, total, writeFailed);
    }
    // The data ends with the connection; what counts is whether all that was expected arrived
    // (with an unknown size, whatever arrived) and reached the file.
    if (total >= expected && !writeFailed) {
        result = LPROCESS_OK;
    }
    // A failed close may have lost written data.
    if (!file.Close()) {
        result = LPROCESS_FAILED;
    }
    SecureClose(data);
    // The final reply is always read, so the control connection stays in step.
    LProcessInterfaceVoidInstance silent;
    LProcessResult read = FtpReadReply(silent, conn, code, text);
    if (result == LPROCESS_OK) {
        if (read != LPROCESS_OK) {
            result = read;
        } else if (!FtpPositive(code)) {
            SetErrorText(errorText, text);
            result = LPROCESS_FAILED;
        }
    }
    if (result != LPROCESS_OK) {
        unlink(localPath.c_str());
    }
    return result;
}

LProcessResult DownloadFile::Run(LProcessInterface& iface) {
    return FtpDownloadFile(iface, *item_->conn, item_->remoteName, item_->localPath,
                           &item_->errorText);
}

LProcessResult RunDownloadFile(ProcessLauncher& launcher, LWindow parent, const char* title,
                               FtpTransferItem* item) {
    DownloadFile process(item);
    return launcher.Run(parent, title,
                        [&process](LProcessInterface& iface) { return process.Run(iface); });
}
