#include "transfer/transfer_queue.h"

#include "frame/text_limits.h"

void FtpTransferQueue::Push(const std::string& localPath, const std::string& remoteName) {
    FtpTransferItem item;
    item.conn = conn;
    item.localPath = CutText(localPath, kTextLimit);
    item.remoteName = CutText(remoteName, kTextLimit);
    items.push_front(std::move(item));
    ++count;
}
