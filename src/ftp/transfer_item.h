#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "net/secure_socket.h"

// One file to move between the local disk and the server: the argument of the one-file
// processes and the item of the file-list processes.
struct FtpTransferItem {
    LSecureSocket* conn = nullptr;  // the session's control connection
    std::string localPath;          // full local path, at most 259 bytes
    std::string remoteName;         // the path or name as given to RETR or STOR, at most 259 bytes
    std::int64_t knownSize = -1;    // the size from the listing; -1 when unknown
    time_t knownTime = 0;           // the exact remote time from an MLSD listing; 0 when unknown
    // The server's text of the negative reply that failed the transfer; empty otherwise.
    std::string errorText;
};
