#include "net/line_reader.h"

#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <limits>

#include "frame/text_limits.h"

namespace {

// Lines are read in peeked chunks of this size, so nothing past the line leaves the socket.
inline constexpr std::size_t kLineChunk = 48;

// Waits until there is something to peek at.
LProcessResult WaitForPeekableData(LProcessInterface& iface, LSecureSocket& socket,
                                   std::uint32_t timeoutMs) {
    if (socket.ssl != nullptr) {
        int pending = SSL_pending(socket.ssl);
        if (pending > 0) {
            return LPROCESS_OK;
        }
        if (pending < 0 && SSL_get_error(socket.ssl, pending) == kSslErrorSsl) {
            DrainTlsErrors();
        }
    }
    return SecureWaitForReadable(iface, socket, timeoutMs);
}

// Peeks at what is available: >0 bytes, 0 to wait again (TLS wants more), -1 on failure.
int PeekAvailable(LSecureSocket& socket, void* buffer, std::size_t capacity) {
    int length = static_cast<int>(capacity);
    if (socket.ssl == nullptr) {
        ssize_t got = recv(socket.fd, buffer, capacity, MSG_PEEK);
        return got > 0 ? static_cast<int>(got) : -1;
    }
    int got = SSL_peek(socket.ssl, buffer, length);
    if (got > 0) {
        return got;
    }
    int error = SSL_get_error(socket.ssl, got);
    if (error == kSslErrorWantRead || error == kSslErrorWantWrite) {
        return 0;
    }
    if (error == kSslErrorSsl) {
        DrainTlsErrors();
    }
    return -1;
}

}  // namespace

LProcessResult SecurePeekUntil(LProcessInterface& iface, LSecureSocket& socket, void* buffer,
                               std::size_t capacity, std::size_t& count, const char* delimiters,
                               std::uint32_t timeoutMs) {
    count = 0;
    int peeked = 0;
    while (peeked == 0) {
        LProcessResult waited = WaitForPeekableData(iface, socket, timeoutMs);
        if (waited != LPROCESS_OK) {
            return waited;
        }
        if (socket.fd < 0) {
            return LPROCESS_FAILED;
        }
        peeked = PeekAvailable(socket, buffer, capacity);
        if (peeked < 0) {
            return LPROCESS_FAILED;
        }
    }
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    std::size_t take = static_cast<std::size_t>(peeked);
    for (std::size_t i = 0; i < take; ++i) {
        if (bytes[i] != 0 && std::strchr(delimiters, bytes[i]) != nullptr) {
            take = i + 1;
            break;
        }
    }
    // The bytes were already peeked, so this read takes exactly them.
    if (socket.ssl != nullptr) {
        SSL_read(socket.ssl, buffer, static_cast<int>(take));
    } else {
        [[maybe_unused]] ssize_t ignored = recv(socket.fd, buffer, take, 0);
    }
    count = take;
    return LPROCESS_OK;
}

namespace {

LProcessResult ReadLineUpTo(LProcessInterface& iface, LSecureSocket& socket, std::string& line,
                            std::size_t limit, std::uint32_t timeoutMs) {
    line.clear();
    char chunk[kLineChunk];
    for (bool first = true;; first = false) {
        std::size_t count = 0;
        LProcessResult result =
            SecurePeekUntil(iface, socket, chunk, sizeof chunk, count, "\n", timeoutMs);
        if (result == LPROCESS_STOPPED) {
            return result;
        }
        if (result != LPROCESS_OK) {
            // A peer that closes in the middle of a line still delivers what it sent.
            return first ? LPROCESS_FAILED : LPROCESS_OK;
        }
        bool complete = false;
        if (count > 0 && chunk[count - 1] == '\n') {
            --count;
            complete = true;
            if (count > 0 && chunk[count - 1] == '\r') {
                --count;
            }
        } else if (count > 0 && chunk[count - 1] == '\r') {
            --count;
        }
        if (line.size() < limit) {
            line.append(chunk, std::min(count, limit - line.size()));
        }
        if (complete) {
            return LPROCESS_OK;
        }
    }
}

}  // namespace

LProcessResult ReadLine(LProcessInterface& iface, LSecureSocket& socket, std::string& line,
                        std::uint32_t timeoutMs) {
    return ReadLineUpTo(iface, socket, line, kTextLimit, timeoutMs);
}

LProcessResult ReadLineGrowing(LProcessInterface& iface, LSecureSocket& socket, std::string& line,
                               std::uint32_t timeoutMs) {
    return ReadLineUpTo(iface, socket, line, std::numeric_limits<std::size_t>::max(), timeoutMs);
}
