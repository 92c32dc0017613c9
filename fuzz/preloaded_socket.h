#pragma once

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

#include "net/secure_socket.h"

// A socket whose peer has sent `data` and closed its side, as a server's bytes arrive.
class PreloadedSocket {
public:
    // Everything must fit into the socket's buffer before the reader starts.
    static constexpr std::size_t kMaxInput = 100000;

    PreloadedSocket(const std::uint8_t* data, std::size_t size) {
        int fds[2];
        if (size > kMaxInput || socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) {
            return;
        }
        int bufferSize = 4 * 1024 * 1024;
        setsockopt(fds[1], SOL_SOCKET, SO_SNDBUF, &bufferSize, sizeof bufferSize);
        setsockopt(fds[0], SOL_SOCKET, SO_RCVBUF, &bufferSize, sizeof bufferSize);
        while (written < size) {
            ssize_t n = write(fds[1], data + written, size - written);
            if (n <= 0) {
                break;
            }
            written += static_cast<std::size_t>(n);
        }
        shutdown(fds[1], SHUT_WR);
        fcntl(fds[0], F_SETFL, O_NONBLOCK);
        socket.fd = fds[0];
        peer_ = fds[1];
    }
    ~PreloadedSocket() {
        if (peer_ >= 0) {
            close(peer_);
        }
    }
    PreloadedSocket(const PreloadedSocket&) = delete;
    PreloadedSocket& operator=(const PreloadedSocket&) = delete;

    bool ok() const { return socket.fd >= 0; }

    LSecureSocket socket;
    std::size_t written = 0;

private:
    int peer_ = -1;
};
