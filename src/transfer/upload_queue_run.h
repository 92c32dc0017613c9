#pragma once

#include "process/process_launcher.h"
#include "transfer/transfer_queue.h"

inline constexpr char kUploadFileListTitle[] = "Uploading file list";

// Sends every item of the queue in its order with STOR, each under a ChildInterface that maps
// its progress into the whole queue's bar. Items are not skipped after a stop: each remaining
// one is still started and ends at once as stopped. An item that ends without the server's
// text gets kItemStoppedText or kItemFailedText. Returns the last item's result.
LProcessResult UploadQueueRun(LProcessInterface& iface, FtpTransferQueue& queue);

// The file-list upload process, run under the "Uploading file list" progress dialog.
class FtpUploadFileList {
public:
    explicit FtpUploadFileList(FtpTransferQueue* queue) : queue_(queue) {}
    LProcessResult Run(LProcessInterface& iface) { return UploadQueueRun(iface, *queue_); }

private:
    FtpTransferQueue* queue_;
};

// Runs FtpUploadFileList over the queue under a progress user interface.
LProcessResult RunUploadFileList(ProcessLauncher& launcher, LWindow parent, const char* title,
                                 FtpTransferQueue* queue);
