#include "ui/main/local_history.h"

void LocalHistory::Record(const std::string& folder) {
    if (!entries_.empty()) {
        entries_.resize(position_ + 1);
        if (entries_.back() == folder)
            return;
    }
    entries_.push_back(folder);
    position_ = entries_.size() - 1;
}

std::string LocalHistory::Back() {
    if (!CanGoBack())
        return {};
    return entries_[--position_];
}

std::string LocalHistory::Forward() {
    if (!CanGoForward())
        return {};
    return entries_[++position_];
}
