#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "process/process_interface.h"

// The most a download receives and writes at a time. Peers move data in blocks of 16 KiB to
// 256 KiB; a block this large keeps system calls per byte low.
inline constexpr std::size_t kDataBlockSize = 256 * 1024;
// What an upload reads and sends at a time: smaller, because a block that stays in the processor's
// cache between the read and the send beat 256 KiB by about a tenth in the transfer bench.
inline constexpr std::size_t kUploadBlockSize = 64 * 1024;

// The progress of one file transfer: "name: NN%" on status line 1 and the bar, in whole
// percents of the bytes moved, from the start up to 100 %. A large file causes about a hundred
// updates whatever its block sizes; the text is formatted only when it changes.
class TransferProgress {
public:
    // size 0 (unknown or empty): the bar stays where it starts until Finish.
    TransferProgress(LProcessInterface& iface, const std::string& name, std::uint64_t size,
                     std::uint64_t done = 0);
    // Shows the starting percent once.
    void Start();
    // count more bytes moved.
    void Advance(std::uint64_t count);
    // The transfer is complete: 100 %.
    void Finish();

private:
    void Show(int percent);

    LProcessInterface& iface_;
    const std::string name_;
    const std::uint64_t size_;
    std::uint64_t done_;
    int shown_ = -1;
};
