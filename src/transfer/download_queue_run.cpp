#include "transfer/download_queue_run.h"

#include <cstdint>
#include <cstdio>

#include "ftp/download.h"

LProcessResult DownloadQueueRun(LProcessInterface& iface, FtpTransferQueue& queue) {
    iface.SetStatusText(queue.count == 1 ? "Downloading file ..." : "Downloading files ...", 0);
    const auto total = static_cast<std::int32_t>(queue.count);
    std::int32_t index = 0;
    LProcessResult result = LPROCESS_OK;
    bool stopped = false;
    for (FtpTransferItem& item : queue.items) {
        if (stopped) {
            item.errorText = kItemStoppedText;
            continue;
        }
        ++index;
        char status[64];
        std::snprintf(status, sizeof status, "Downloading file %d of %d", index, total);
        iface.SetStatusText(status, 0);
        ChildInterface child(&iface, total, index - 1);
        result = item.conn != nullptr ? FtpDownloadItem(child, item) : LPROCESS_FAILED;
        if (item.errorText.empty() && result != LPROCESS_OK) {
            item.errorText = result == LPROCESS_STOPPED ? kItemStoppedText : kItemFailedText;
        }
        stopped = iface.IsStopped();
    }
    return result;
}
