#pragma once

#include <string>

#include "ftp/transfer_item.h"
#include "net/secure_socket.h"
#include "process/process_launcher.h"

// Copies one remote file into one local file over a passive data connection, showing
// "name: NN%" on status line 1 and the progress bar. The local file is emptied first; it stays
// empty when the server refuses before any data, and is deleted when a started transfer does
// not complete. errorText (may be null) gets the text of a negative reply, "" otherwise.
LProcessResult FtpDownloadFile(LProcessInterface& iface, LSecureSocket& conn,
                               const std::string& remoteName, const std::string& localPath,
                               std::string* errorText = nullptr);

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
