#include "transfer/selection_transfers.h"

#include "frame/logger.h"

void SelectionTransfers::StartOperation() {
    overwrite_ = OverwriteAnswer::kAsk;
    outcome_ = TransferOutcome{};
}

bool SelectionTransfers::SessionBusy() {
    if (!session_.inUse()) {
        return false;
    }
    outcome_.busy = true;
    LogSessionBusy();
    return true;
}

bool SelectionTransfers::WithSession(const std::function<void()>& operation) {
    if (SessionBusy()) {
        return false;
    }
    SessionInUse use(session_);
    operation();
    return true;
}

bool SelectionTransfers::AskOverwrite(const std::string& text) {
    if (overwrite_ != OverwriteAnswer::kAsk) {
        return overwrite_ == OverwriteAnswer::kYesToAll;
    }
    bool forAll = false;
    bool overwrite = ui_.YesNoBox(window_, text, "Overwrite", "Do this for all", forAll);
    if (forAll) {
        overwrite_ = overwrite ? OverwriteAnswer::kYesToAll : OverwriteAnswer::kNoToAll;
    }
    return overwrite;
}

bool SelectionTransfers::CountItem(const FtpTransferItem& item, bool upload) {
    if (item.errorText.empty()) {
        return false;
    }
    if (item.errorText == kItemStoppedText) {
        ++outcome_.stoppedItems;
        outcome_.stopped = true;
    } else {
        ++outcome_.failed;
        outcome_.failures.push_back(
            {upload, upload ? item.localPath : item.remoteName, item.errorText, item.localPath});
    }
    return true;
}

bool SelectionTransfers::EndWalk(bool upload, const std::string& name, const std::string& reason) {
    outcome_.failures.push_back({upload, name, reason, {}});
    return false;
}

bool SelectionTransfers::RunWalk(const std::function<void()>& walk) {
    bool ran = false;
    const LProcessResult result =
        launcher_.Run(window_, kPreparingFileListTitle, [&](LProcessInterface& iface) {
            QueueWalk state(iface);
            SessionRunning running(session_, iface);
            walk_ = &state;
            walk();
            walk_ = nullptr;
            ran = true;
            return state.stopped() ? LPROCESS_STOPPED : LPROCESS_OK;
        });
    if (!ran) {
        // No progress could be shown; the walk still runs, without a Cancel.
        walk();
    }
    const bool stopped = ran && result == LPROCESS_STOPPED;
    outcome_.stopped = outcome_.stopped || stopped;
    return !stopped;
}
