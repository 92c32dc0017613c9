#include "net/plain_socket.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "net/socket_wait.h"

namespace {

void CloseDescriptor(int& fd) {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

}  // namespace

LProcessResult ConnectWithTimeout(LProcessInterface& iface, int& fd, const SocketAddress& address,
                                  std::uint32_t timeoutMs) {
    CloseDescriptor(fd);
    fd = OpenNonBlockingSocket(address.family(), true);
    if (fd < 0) {
        return LPROCESS_FAILED;
    }
    LProcessResult result = ConnectNonBlocking(iface, fd, address, timeoutMs);
    if (result != LPROCESS_OK) {
        CloseDescriptor(fd);
    }
    return result;
}

LProcessResult ConnectAnyAddress(LProcessInterface& iface, int& fd, const AddressList& list,
                                 std::uint32_t timeoutMs) {
    std::uint32_t count = std::min(list.count, AddressList::kMaxAddresses);
    for (std::uint32_t i = 0; i < count; ++i) {
        SocketAddress address = list.addresses[i];
        address.SetPort(list.port);
        LProcessResult result = ConnectWithTimeout(iface, fd, address, timeoutMs);
        if (result != LPROCESS_FAILED) {
            return result;
        }
    }
    return LPROCESS_FAILED;
}

LProcessResult SendAll(LProcessInterface& iface, int& fd, const void* bytes, std::size_t length,
                       std::uint32_t timeoutMs) {
    return SendPlainChunks(iface, fd, bytes, length, timeoutMs, [&fd] { CloseDescriptor(fd); });
}

LProcessResult WaitForReadable(LProcessInterface& iface, int fd, std::uint32_t timeoutMs) {
    return WaitReadableSliced(iface, fd, timeoutMs, {});
}

LProcessResult ReceiveSome(LProcessInterface& iface, int fd, void* buffer, std::size_t capacity,
                           std::size_t& count, std::uint32_t timeoutMs) {
    count = 0;
    if (capacity == 0) {
        return LPROCESS_OK;
    }
    LProcessResult waited = WaitForReadable(iface, fd, timeoutMs);
    if (waited != LPROCESS_OK) {
        return waited;
    }
    ssize_t received = recv(fd, buffer, capacity, 0);
    if (received <= 0) {
        return LPROCESS_FAILED;
    }
    count = static_cast<std::size_t>(received);
    return LPROCESS_OK;
}

namespace {

// Repeats ReceiveSome until `length` bytes arrived; the first result that is not ok ends it.
LProcessResult ReceiveRepeatedly(LProcessInterface& iface, int fd, void* buffer, std::size_t length,
                                 std::size_t& count, std::uint32_t timeoutMs) {
    count = 0;
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (count < length) {
        std::size_t got = 0;
        LProcessResult result =
            ReceiveSome(iface, fd, bytes + count, length - count, got, timeoutMs);
        if (result != LPROCESS_OK) {
            return result;
        }
        count += got;
    }
    return LPROCESS_OK;
}

}  // namespace

LProcessResult ReceiveUpTo(LProcessInterface& iface, int fd, void* buffer, std::size_t capacity,
                           std::size_t& count, std::uint32_t timeoutMs) {
    LProcessResult result = ReceiveRepeatedly(iface, fd, buffer, capacity, count, timeoutMs);
    return result == LPROCESS_STOPPED ? result : LPROCESS_OK;
}

LProcessResult ReceiveExactly(LProcessInterface& iface, int fd, void* buffer, std::size_t length,
                              std::size_t& count, std::uint32_t timeoutMs) {
    return ReceiveRepeatedly(iface, fd, buffer, length, count, timeoutMs);
}
