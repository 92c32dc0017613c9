#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "ftp/transfer_item.h"
#include "net/secure_socket.h"
#include "process/process_launcher.h"

// The hidden temporary file a download of `target` writes into: beside the target after
// symbolic links are resolved, named from a fixed pattern that begins with a dot (shortened
// with a hash when the target's name is too long).
std::string DownloadTemporaryPath(const std::string& target);
// True for the names DownloadTemporaryPath gives.
bool IsDownloadTemporaryName(std::string_view name);

// Reads the final reply after a transfer. It honours iface's stop but shows nothing; once
// stopped, the reply still gets a short wait, and when it does not come the control connection
// is closed so that the next operation reconnects instead of reading it as its own.
LProcessResult FtpReadTransferReply(LProcessInterface& iface, LSecureSocket& conn, int& code,
                                    std::string& text);

// Copies one remote file into one local file over a passive data connection, showing
// "name: NN%" on status line 1 and the progress bar. The data goes to the temporary file, which
// gets the remote time and replaces the local file only when the peer closed the data
// connection and the final reply is positive; otherwise the local file stays as it was.
// errorText (may be null) gets the text of a negative reply or of a local failure, "" otherwise.
// knownSize (-1 unknown) and knownTime (0 unknown) spare the SIZE and MDTM questions.
LProcessResult FtpDownloadFile(LProcessInterface& iface, LSecureSocket& conn,
                               const std::string& remoteName, const std::string& localPath,
                               std::string* errorText = nullptr, std::int64_t knownSize = -1,
                               time_t knownTime = 0);
// FtpDownloadFile for the item, with what its listing told.
LProcessResult FtpDownloadItem(LProcessInterface& iface, FtpTransferItem& item);

inline constexpr char kFtpDownloadTitle[] = "FTP Download";

// The one-file download process, run under the "FTP Download" progress dialog.
class DownloadFile {
public:
    explicit DownloadFile(FtpTransferItem* item) : item_(item) {}
    LProcessResult Run(LProcessInterface& iface);

private:
    FtpTransferItem* item_;
};

// Runs DownloadFile for the item under a progress user interface with the title.
LProcessResult RunDownloadFile(ProcessLauncher& launcher, LWindow parent, const char* title,
                               FtpTransferItem* item);
