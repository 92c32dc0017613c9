#include "ftp/transfer_progress.h"

#include <algorithm>
#include <cstdio>

#include "frame/text_limits.h"

TransferProgress::TransferProgress(LProcessInterface& iface, const std::string& name,
                                   std::uint64_t size, std::uint64_t done)
    : iface_(iface), name_(name), size_(size), done_(done) {}

void TransferProgress::Start() {
    if (shown_ < 0) {
        Show(size_ > 0 ? static_cast<int>(std::min(done_, size_) * 100 / size_) : 0);
    }
}

void TransferProgress::Advance(std::uint64_t count) {
    done_ += count;
    if (size_ == 0) {
        return;
    }
    // Integer percents, so that a server sending more than announced never shows over 100.
    const auto percent = static_cast<int>(std::min(done_, size_) * 100 / size_);
    if (percent > shown_) {
        Show(percent);
    }
}

void TransferProgress::Finish() {
    if (shown_ < 100) {
        Show(100);
    }
}

void TransferProgress::Show(int percent) {
    shown_ = percent;
    char text[kTextLimit + 16];
    std::snprintf(text, sizeof text, "%s: %2.0f%%", name_.c_str(), static_cast<double>(percent));
    iface_.SetStatusText(text, 1);
    iface_.SetProgress(percent / 100.0);
}
