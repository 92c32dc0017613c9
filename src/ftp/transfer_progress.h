#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "process/process_interface.h"

// The bytes of one transfer block: read or received, sent or written, and counted by the
// progress at a time.
inline constexpr std::size_t kDataBlockSize = 1024;

// The progress of one file transfer in 1,024-byte blocks: "name: NN%" on status line 1 and the
// bar. Small files move the bar by every block; above 99 blocks it moves in whole percents, so
// a large file causes about a hundred updates.
class TransferProgress {
public:
    // size 0 (unknown or empty) keeps the bar where it starts.
    TransferProgress(LProcessInterface& iface, const std::string& name, std::uint64_t size,
                     double start = 0.0);
    // One block: shows the fraction reached before it, then advances.
    void Block();
    double fraction() const { return fraction_; }

private:
    void Update(const char* text);

    LProcessInterface& iface_;
    const std::string name_;
    double step_ = 0.0;
    std::uint64_t blocks_ = 0;
    double blocksPerPercent_ = 0.0;
    double fraction_;
    std::uint64_t count_ = 0;
    bool first_ = true;
};
