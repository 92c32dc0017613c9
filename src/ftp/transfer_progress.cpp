#include "ftp/transfer_progress.h"

#include <algorithm>
#include <cstdio>

#include "frame/text_limits.h"

namespace {

constexpr std::uint64_t kMostBlocksShownPerBlock = 99;

}  // namespace

TransferProgress::TransferProgress(LProcessInterface& iface, const std::string& name,
                                   std::uint64_t size, double start)
    : iface_(iface), name_(name), fraction_(start) {
    if (size > 0) {
        step_ = static_cast<double>(kDataBlockSize) / static_cast<double>(size);
        blocks_ = (size + kDataBlockSize - 1) / kDataBlockSize;
        blocksPerPercent_ = static_cast<double>(blocks_) * 0.01;
    }
}

void TransferProgress::Block() {
    // On the stack: this runs for every block of the file.
    char text[kTextLimit + 16];
    std::snprintf(text, sizeof text, "%s: %2.0f%%", name_.c_str(),
                  std::min(1.0, fraction_) * 100.0);
    if (blocks_ <= kMostBlocksShownPerBlock) {
        fraction_ += step_;
        Update(text);
        return;
    }
    ++count_;
    if (static_cast<double>(count_) > blocksPerPercent_) {
        count_ = 0;
        fraction_ += 0.01;
        Update(text);
    } else if (first_) {
        Update(text);
    }
}

void TransferProgress::Update(const char* text) {
    iface_.SetStatusText(text, 1);
    iface_.SetProgress(fraction_);
    first_ = false;
}
