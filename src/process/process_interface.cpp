#include "process/process_interface.h"

#include <algorithm>

#include <sys/select.h>
#include <time.h>

#include <cerrno>

int SelectWithTimeout(int maxFd, fd_set* readSet, fd_set* writeSet, fd_set* exceptSet,
                      std::uint32_t timeoutMs) {
    if (timeoutMs == kWaitForever) {
        return select(maxFd + 1, readSet, writeSet, exceptSet, nullptr);
    }
    timeval tv{static_cast<time_t>(timeoutMs / 1000),
               static_cast<suseconds_t>((timeoutMs % 1000) * 1000)};
    return select(maxFd + 1, readSet, writeSet, exceptSet, &tv);
}

LProcessResult LProcessInterfaceVoid::Sleep(std::uint32_t ms) {
    if (forwardTo_ != nullptr) {
        return forwardTo_->Sleep(ms);
    }
    timespec request{static_cast<time_t>(ms / 1000), static_cast<long>((ms % 1000) * 1000000L)};
    timespec remaining{};
    while (nanosleep(&request, &remaining) != 0 && errno == EINTR) {
        request = remaining;
    }
    return LPROCESS_OK;
}

LProcessResult LProcessInterfaceVoid::WaitForEvent(LEvent event, std::uint32_t timeoutMs) {
    if (forwardTo_ != nullptr) {
        return forwardTo_->WaitForEvent(event, timeoutMs);
    }
    if (event.readEnd < 0 || event.readEnd >= FD_SETSIZE) {
        return LPROCESS_FAILED;
    }
    fd_set readSet;
    FD_ZERO(&readSet);
    FD_SET(event.readEnd, &readSet);
    int ready = SelectWithTimeout(event.readEnd, &readSet, nullptr, nullptr, timeoutMs);
    // An interrupted select counts as signalled: the caller looks at the event again anyway.
    if (ready > 0 || (ready < 0 && errno == EINTR)) {
        return LPROCESS_OK;
    }
    return LPROCESS_FAILED;
}

LProcessResult LProcessInterfaceVoid::WaitForSocket(LSocketSet* set, std::uint32_t timeoutMs) {
    if (forwardTo_ != nullptr) {
        return forwardTo_->WaitForSocket(set, timeoutMs);
    }
    if (set == nullptr || set->maxFd < 0) {
        return LPROCESS_FAILED;
    }
    return SelectWithTimeout(set->maxFd, &set->set, nullptr, nullptr, timeoutMs) < 1
               ? LPROCESS_FAILED
               : LPROCESS_OK;
}

void ChildInterface::SetStatusText(const char* text, std::int32_t line) {
    if (line > 0) {
        parent->SetStatusText(text, line);
    }
}

void ChildInterface::SetProgress(double fraction) {
    if (count <= 0) {
        parent->SetProgress(fraction);
        return;
    }
    // A small file's last block can carry its fraction past 1; its share of the bar must not
    // spill into the next item's.
    parent->SetProgress((index + std::clamp(fraction, 0.0, 1.0)) / count);
}
