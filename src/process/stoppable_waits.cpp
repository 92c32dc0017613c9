#include "process/stoppable_waits.h"

#include <poll.h>
#include <sys/select.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <optional>

namespace {

using Clock = std::chrono::steady_clock;

// The end of a wait; none for kWaitForever.
std::optional<Clock::time_point> Deadline(std::uint32_t timeoutMs) {
    if (timeoutMs == kWaitForever) {
        return std::nullopt;
    }
    return Clock::now() + std::chrono::milliseconds(timeoutMs);
}

// Milliseconds left until the deadline (never negative).
std::int64_t Remaining(const std::optional<Clock::time_point>& deadline) {
    if (!deadline) {
        return INT64_MAX;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now());
    return std::max<std::int64_t>(0, left.count());
}

}  // namespace

LProcessResult StoppableWaits::Sleep(std::uint32_t ms) {
    auto deadline = Deadline(ms);
    for (;;) {
        if (stopped_()) {
            return LPROCESS_STOPPED;
        }
        std::int64_t remaining = Remaining(deadline);
        if (remaining < 1) {
            return LPROCESS_OK;
        }
        // A signal interrupts the poll, so a stop asked for by Ctrl+C is seen at once.
        poll(nullptr, 0, static_cast<int>(std::min<std::int64_t>(remaining, sliceMs_)));
    }
}

LProcessResult StoppableWaits::WaitForEvent(LEvent event, std::uint32_t timeoutMs) {
    if (event.readEnd < 0) {
        return LPROCESS_FAILED;
    }
    auto deadline = Deadline(timeoutMs);
    for (;;) {
        std::int64_t remaining = Remaining(deadline);
        if (remaining <= 0) {
            return LPROCESS_FAILED;
        }
        if (event.IsSignalled()) {
            return LPROCESS_OK;
        }
        if (stopped_()) {
            return LPROCESS_STOPPED;
        }
        pollfd readEnd{event.readEnd, POLLIN, 0};
        poll(&readEnd, 1, static_cast<int>(std::min<std::int64_t>(remaining, sliceMs_)));
    }
}

LProcessResult StoppableWaits::WaitForSocket(LSocketSet* set, std::uint32_t timeoutMs) {
    if (set == nullptr || set->maxFd < 0) {
        return LPROCESS_FAILED;
    }
    auto deadline = Deadline(timeoutMs);
    for (;;) {
        if (stopped_()) {
            return LPROCESS_STOPPED;
        }
        std::int64_t remaining = Remaining(deadline);
        fd_set ready = set->set;
        int count = SelectWithTimeout(
            set->maxFd, &ready, nullptr, nullptr,
            static_cast<std::uint32_t>(std::min<std::int64_t>(remaining, sliceMs_)));
        if (count > 0) {
            set->set = ready;
            return LPROCESS_OK;
        }
        if ((count < 0 && errno != EINTR) || Remaining(deadline) == 0) {
            return LPROCESS_FAILED;
        }
    }
}
