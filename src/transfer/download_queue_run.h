#pragma once

#include "process/process_interface.h"
#include "transfer/transfer_queue.h"

inline constexpr char kDownloadFileListTitle[] = "Downloading file list";

// Fetches every item of the queue in its order with RETR, each under a ChildInterface that maps
// its progress into the whole queue's bar, and asks for a stop after each one. Once stopped, the
// remaining items are not attempted. An item that ends without the server's text gets
// kItemStoppedText or kItemFailedText. Returns the last attempted item's result.
LProcessResult DownloadQueueRun(LProcessInterface& iface, FtpTransferQueue& queue);

// The file-list download process, run under the "Downloading file list" progress dialog.
class FtpDownloadFileList {
public:
    explicit FtpDownloadFileList(FtpTransferQueue* queue) : queue_(queue) {}
    LProcessResult Run(LProcessInterface& iface) { return DownloadQueueRun(iface, *queue_); }

private:
    FtpTransferQueue* queue_;
};
