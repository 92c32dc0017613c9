#pragma once

#include <netinet/in.h>

#include <cstddef>
#include <cstdint>
#include <functional>

#include "net/host_address.h"
#include "process/process_interface.h"

// Every socket wait is a series of 200 ms slices with a cancel check before each.
inline constexpr std::uint32_t kSliceMs = 200;

// What is left of a time-out. Only slices in which nothing happened use it up, so a slow but
// steady transfer never times out.
class TimeoutBudget {
public:
    explicit TimeoutBudget(std::uint32_t timeoutMs) : leftMs_(timeoutMs) {}
    // Records one timed-out slice; false once the time-out is used up.
    bool SpendSlice() {
        if (leftMs_ == kWaitForever) {
            return true;
        }
        leftMs_ = leftMs_ > kSliceMs ? leftMs_ - kSliceMs : 0;
        return leftMs_ > 0;
    }

private:
    std::uint32_t leftMs_;
};

enum class SliceWait { kRead, kWrite, kConnect };
enum class SliceResult { kReady, kTimedOut, kInterrupted, kError };

// One slice of up to 200 ms. Readiness follows select()'s sets: a pending error or hang-up makes
// a socket readable and writable. For kConnect, *writable tells whether the socket was writable
// (as opposed to only flagged as exceptional).
SliceResult WaitOneSlice(int fd, SliceWait what, bool* writable = nullptr);

// A fresh non-blocking stream socket of the family (AF_INET, AF_INET6), or -1.
int OpenNonBlockingSocket(int family, bool closeOnExec);
// Connects fd, waiting in slices; the caller closes fd on anything but ok. A refused or
// unreachable address fails, so that the next address of a host can be tried.
LProcessResult ConnectNonBlocking(LProcessInterface& iface, int fd, const SocketAddress& address,
                                  std::uint32_t timeoutMs);
// Asked before every slice: a cancel or a closed socket ends the wait.
LProcessResult BeforeSlice(LProcessInterface& iface, int fd);
// One write-readiness slice; fails on an error or once the time-out is used up.
LProcessResult WaitWritableSlice(TimeoutBudget& budget, int fd);
// Waits until fd is readable, or until dataPending (when given) says bytes are already buffered.
LProcessResult WaitReadableSliced(LProcessInterface& iface, int fd, std::uint32_t timeoutMs,
                                  const std::function<bool()>& dataPending);

// Plain sends go out in pieces of at most this many bytes (the kernel takes what fits).
inline constexpr std::size_t kSendChunk = 1024 * 1024;
// Sends everything in pieces of kSendChunk; onPeerGone runs when the peer has closed.
LProcessResult SendPlainChunks(LProcessInterface& iface, int& fd, const void* bytes,
                               std::size_t length, std::uint32_t timeoutMs,
                               const std::function<void()>& onPeerGone);
