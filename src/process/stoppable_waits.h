#pragma once

#include <cstdint>
#include <functional>

#include "process/process_interface.h"

// The waits of an interface whose user can stop a run: each wait looks at `stopped` between
// slices of at most sliceMs, so a stop takes effect within one slice.
class StoppableWaits {
public:
    StoppableWaits(std::uint32_t sliceMs, std::function<bool()> stopped)
        : sliceMs_(sliceMs), stopped_(std::move(stopped)) {}

    LProcessResult Sleep(std::uint32_t ms);
    // A time-out of 0 fails at once, even for an event that is already signalled.
    LProcessResult WaitForEvent(LEvent event, std::uint32_t timeoutMs);
    // On success the set holds the ready descriptors.
    LProcessResult WaitForSocket(LSocketSet* set, std::uint32_t timeoutMs);

private:
    std::uint32_t sliceMs_;
    std::function<bool()> stopped_;
};
