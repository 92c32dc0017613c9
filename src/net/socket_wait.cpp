#include "net/socket_wait.h"

#include "process/process_interface.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

LProcessResult BeforeSlice(LProcessInterface& iface, int fd) {
    if (iface.IsStopped()) {
        return LPROCESS_STOPPED;
    }
    return fd < 0 ? LPROCESS_FAILED : LPROCESS_OK;
}

SliceResult WaitOneSlice(int fd, SliceWait what, bool* writable) {
    pollfd entry{};
    entry.fd = fd;
    switch (what) {
        case SliceWait::kRead:
            entry.events = POLLIN;
            break;
        case SliceWait::kWrite:
            entry.events = POLLOUT;
            break;
        case SliceWait::kConnect:
            entry.events = POLLOUT | POLLPRI;
            break;
    }
    int ready = poll(&entry, 1, static_cast<int>(kSliceMs));
    if (ready < 0) {
        // A signal (Ctrl+C in the command-line program) ends the slice early; the caller looks
        // at the stop flag before the next one.
        return errno == EINTR ? SliceResult::kInterrupted : SliceResult::kError;
    }
    if (ready == 0) {
        return SliceResult::kTimedOut;
    }
    if (writable != nullptr) {
        *writable = (entry.revents & (POLLOUT | POLLERR | POLLHUP)) != 0;
    }
    if (entry.revents & POLLNVAL) {
        return SliceResult::kError;
    }
    return SliceResult::kReady;
}

int OpenNonBlockingSocket(int family, bool closeOnExec) {
    int fd = socket(family, SOCK_STREAM, 0);
    if (fd < 0) {
        return -1;
    }
    int on = 1;
    ioctl(fd, FIONBIO, &on);
    if (closeOnExec) {
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    return fd;
}

namespace {

// Whether a connect that select() reported on went through. Writability alone is not enough:
// a refused connection is writable too, and the host's next address would never be tried.
bool Connected(int fd, bool writable) {
    int error = 0;
    socklen_t length = sizeof error;
    return writable && getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

}  // namespace

LProcessResult ConnectNonBlocking(LProcessInterface& iface, int fd, const SocketAddress& address,
                                  std::uint32_t timeoutMs) {
    if (address.empty() || address.IsBroadcast()) {
        return LPROCESS_FAILED;
    }
    if (connect(fd, address.get(), address.length()) == 0) {
        return LPROCESS_OK;
    }
    if (errno != EINPROGRESS) {
        return LPROCESS_FAILED;
    }
    TimeoutBudget budget(timeoutMs);
    for (;;) {
        if (iface.IsStopped()) {
            return LPROCESS_STOPPED;
        }
        bool writable = false;
        switch (WaitOneSlice(fd, SliceWait::kConnect, &writable)) {
            case SliceResult::kReady:
                return Connected(fd, writable) ? LPROCESS_OK : LPROCESS_FAILED;
            case SliceResult::kError:
                return LPROCESS_FAILED;
            case SliceResult::kInterrupted:
                break;
            case SliceResult::kTimedOut:
                if (!budget.SpendSlice()) {
                    return LPROCESS_FAILED;
                }
                break;
        }
    }
}

LProcessResult WaitWritableSlice(TimeoutBudget& budget, int fd) {
    switch (WaitOneSlice(fd, SliceWait::kWrite)) {
        case SliceResult::kReady:
        case SliceResult::kInterrupted:
            return LPROCESS_OK;
        case SliceResult::kError:
            return LPROCESS_FAILED;
        case SliceResult::kTimedOut:
            break;
    }
    return budget.SpendSlice() ? LPROCESS_OK : LPROCESS_FAILED;
}

LProcessResult SendPlainChunks(LProcessInterface& iface, int& fd, const void* bytes,
                               std::size_t length, std::uint32_t timeoutMs,
                               const std::function<void()>& onPeerGone) {
    const auto* next = static_cast<const unsigned char*>(bytes);
    std::size_t remaining = length;
    TimeoutBudget budget(timeoutMs);
    for (;;) {
        if (LProcessResult ready = BeforeSlice(iface, fd); ready != LPROCESS_OK) {
            return ready;
        }
        std::size_t piece = std::min(remaining, kSendChunk);
        ssize_t sent = send(fd, next, piece, MSG_NOSIGNAL);
        if (sent >= 0) {
            if (static_cast<std::size_t>(sent) >= remaining) {
                return LPROCESS_OK;
            }
            next += sent;
            remaining -= static_cast<std::size_t>(sent);
            if (static_cast<std::size_t>(sent) == kSendChunk) {
                continue;
            }
        } else if (errno == EPIPE) {
            onPeerGone();
            return LPROCESS_FAILED;
        } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            return LPROCESS_FAILED;
        }
        if (WaitWritableSlice(budget, fd) != LPROCESS_OK) {
            return LPROCESS_FAILED;
        }
    }
}

LProcessResult WaitReadableSliced(LProcessInterface& iface, int fd, std::uint32_t timeoutMs,
                                  const std::function<bool()>& dataPending) {
    TimeoutBudget budget(timeoutMs);
    for (;;) {
        if (LProcessResult ready = BeforeSlice(iface, fd); ready != LPROCESS_OK) {
            return ready;
        }
        // A select error counts as readable: the read that follows reports the failure.
        SliceResult slice = WaitOneSlice(fd, SliceWait::kRead);
        if (slice == SliceResult::kInterrupted) {
            continue;
        }
        if (slice != SliceResult::kTimedOut) {
            return LPROCESS_OK;
        }
        if (dataPending && dataPending()) {
            return LPROCESS_OK;
        }
        if (!budget.SpendSlice()) {
            return LPROCESS_FAILED;
        }
    }
}
