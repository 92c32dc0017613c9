#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

#include "ftp/remote_listing.h"
#include "process/process_interface.h"

inline constexpr char kPreparingFileListTitle[] = "Preparing file list";

// What a folder's listing said about one entry, so the walk need not ask the server again.
struct ListedFacts {
    int kind = kItemUnknown;
    std::int64_t size = -1;  // files only; -1 unknown
    time_t exactTime = 0;    // a time exact to the second (MLSD); 0 unknown
};

// The facts of a listed entry; a link's listed size and time are the link's own, so only its
// kind is taken. Only an MLSD time is taken: a LIST time may lack the seconds or the time of day,
// and a server that refused MLSD after offering it lists with LIST.
ListedFacts FactsOf(const FtpDirEntry& entry);

// The state of one queue-building walk run under the "Preparing file list" process: the folder
// being read on status line 0 and the files queued on line 1, shown only once the walk has taken
// half a second, so a quick walk never flashes a progress line.
class QueueWalk {
public:
    explicit QueueWalk(LProcessInterface& iface)
        : iface_(iface), start_(std::chrono::steady_clock::now()) {}

    // True once the user asked to stop; remembered, so the walk's callers learn of it.
    bool Stopped();
    bool stopped() const { return stopped_; }
    void Reading(const std::string& folder);
    void Queued();

private:
    void Show();

    LProcessInterface& iface_;
    std::chrono::steady_clock::time_point start_;
    std::string folder_;
    std::size_t queued_ = 0;
    bool shown_ = false;
    bool stopped_ = false;
};
