// Feeds arbitrary bytes to the line readers through a real socket pair, as a server would send
// them, and checks what every line reader promises about its result.
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "frame/text_limits.h"
#include "net/line_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Everything must fit into the socket's buffer before the reader starts.
    if (size > 100000) {
        return 0;
    }
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) {
        return 0;
    }
    int bufferSize = 4 * 1024 * 1024;
    setsockopt(fds[1], SOL_SOCKET, SO_SNDBUF, &bufferSize, sizeof bufferSize);
    setsockopt(fds[0], SOL_SOCKET, SO_RCVBUF, &bufferSize, sizeof bufferSize);
    std::size_t written = 0;
    while (written < size) {
        ssize_t n = write(fds[1], data + written, size - written);
        if (n <= 0) {
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    shutdown(fds[1], SHUT_WR);
    fcntl(fds[0], F_SETFL, O_NONBLOCK);

    LSecureSocket socket;
    socket.fd = fds[0];
    LProcessInterfaceVoidInstance iface;
    // The first byte picks which reader takes each line, so both see every shape.
    bool growing = size > 0 && (data[0] & 1) != 0;
    std::size_t consumed = 0;
    for (;;) {
        std::string line;
        LProcessResult result = growing ? ReadLineGrowing(iface, socket, line, 200)
                                        : ReadLine(iface, socket, line, 200);
        if (result != LPROCESS_OK) {
            break;
        }
        if (!growing && line.size() > kTextLimit) {
            std::abort();
        }
        if (line.find('\n') != std::string::npos) {
            std::abort();
        }
        consumed += line.size();
        if (consumed > written) {
            std::abort();
        }
        growing = !growing;
    }
    close(fds[1]);
    return 0;
}
