#pragma once

#include <cstddef>
#include <forward_list>
#include <string>

#include "ftp/transfer_item.h"
#include "net/secure_socket.h"
#include "process/process_interface.h"

// The single-file transfers of one download or upload operation, all on the session's control
// connection. New items go to the head, so the queue runs in the reverse order of queuing. The
// items are freed together with the queue.
struct FtpTransferQueue {
    explicit FtpTransferQueue(LSecureSocket* connection) : conn(connection) {}

    // Puts {localPath, remoteName} at the head.
    void Push(const std::string& localPath, const std::string& remoteName);
    bool empty() const { return count == 0; }

    LSecureSocket* conn;
    std::forward_list<FtpTransferItem> items;  // in run order
    std::size_t count = 0;
};

// Error texts of items that did not complete without a text of the server's own.
inline constexpr char kItemStoppedText[] = "LPROCESS_STOPPED";
inline constexpr char kItemFailedText[] = "LPROCESS_FAILED";
