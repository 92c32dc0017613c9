#include "transfer/upload_queue_run.h"

#include <cstdint>
#include <cstdio>

#include "ftp/upload.h"

LProcessResult UploadQueueRun(LProcessInterface& iface, FtpTransferQueue& queue) {
    const auto count = static_cast<std::int32_t>(queue.count);
    iface.SetStatusText(count == 1 ? "Uploading file ..." : "Uploading files ...", 0);
    LProcessResult result = LPROCESS_OK;
    std::int32_t index = 0;
    for (FtpTransferItem& item : queue.items) {
        char counter[64];
        std::snprintf(counter, sizeof counter, "Uploading file %d of %d", index + 1, count);
        iface.SetStatusText(counter, 0);
        ChildInterface child(&iface, count, index);
        result = FtpUploadItem(child, item);
        if (item.errorText.empty() && result != LPROCESS_OK) {
            item.errorText = result == LPROCESS_STOPPED ? kItemStoppedText : kItemFailedText;
        }
        ++index;
    }
    return result;
}

LProcessResult RunUploadFileList(ProcessLauncher& launcher, LWindow parent, const char* title,
                                 FtpTransferQueue* queue) {
    FtpUploadFileList process(queue);
    return RunProcess(launcher, parent, title, process);
}
