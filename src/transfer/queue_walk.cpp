#include "transfer/queue_walk.h"

#include <cstdio>

namespace {

constexpr auto kShowAfter = std::chrono::milliseconds(500);

}  // namespace

ListedFacts FactsOf(const FtpDirEntry& entry) {
    ListedFacts facts;
    if (!entry.hasType) {
        return facts;
    }
    facts.kind = entry.isLink ? kItemLink : entry.isFolder ? kItemFolder : kItemFile;
    if (facts.kind != kItemFile) {
        return facts;
    }
    if (entry.hasSize && entry.size <= static_cast<std::uint64_t>(INT64_MAX)) {
        facts.size = static_cast<std::int64_t>(entry.size);
    }
    if (entry.hasModified && entry.modifiedExact) {
        facts.exactTime = entry.modified;
    }
    return facts;
}

bool QueueWalk::Stopped() {
    stopped_ = stopped_ || iface_.IsStopped();
    return stopped_;
}

void QueueWalk::Reading(const std::string& folder) {
    folder_ = folder;
    Show();
}

void QueueWalk::Queued() {
    ++queued_;
    Show();
}

void QueueWalk::Show() {
    if (!shown_ && std::chrono::steady_clock::now() - start_ < kShowAfter) {
        return;
    }
    if (!shown_) {
        iface_.SetProgressIndeterminate();
        shown_ = true;
    }
    iface_.SetStatusText(folder_.c_str(), 0);
    char count[48];
    std::snprintf(count, sizeof count, "%zu files queued", queued_);
    iface_.SetStatusText(count, 1);
}
