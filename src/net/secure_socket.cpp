#include "net/secure_socket.h"

#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <string_view>
#include <utility>

#include "net/socket_wait.h"

LSecureSocket::~LSecureSocket() {
    SecureClose(*this);
    if (sslContext != nullptr) {
        SSL_CTX_free(sslContext);
        sslContext = nullptr;
    }
}

LSecureSocket::LSecureSocket(LSecureSocket&& other) noexcept
    : ssl(std::exchange(other.ssl, nullptr)),
      sslContext(std::exchange(other.sslContext, nullptr)),
      fd(std::exchange(other.fd, -1)),
      features(std::exchange(other.features, 0)),
      transferType(std::exchange(other.transferType, 0)) {}

LSecureSocket& LSecureSocket::operator=(LSecureSocket&& other) noexcept {
    if (this != &other) {
        LSecureSocket old(std::move(*this));
        ssl = std::exchange(other.ssl, nullptr);
        sslContext = std::exchange(other.sslContext, nullptr);
        fd = std::exchange(other.fd, -1);
        features = std::exchange(other.features, 0);
        transferType = std::exchange(other.transferType, 0);
    }
    return *this;
}

void SecureSocketInit(LSecureSocket& socket) {
    socket.ssl = nullptr;
    socket.sslContext = nullptr;
    socket.fd = -1;
    socket.features = 0;
    socket.transferType = 0;
}

void SecureClose(LSecureSocket& socket) {
    // A new connection starts with the server's default type, whatever was set before.
    socket.transferType = 0;
    if (socket.fd < 0) {
        return;
    }
    if (socket.ssl != nullptr) {
        if (SSL_shutdown(socket.ssl) == 0) {
            SSL_shutdown(socket.ssl);
        }
        SSL_free(socket.ssl);
        socket.ssl = nullptr;
    }
    close(socket.fd);
    socket.fd = -1;
}

LProcessResult SecureCloseAfterSending(LProcessInterface& iface, LSecureSocket& socket,
                                       std::uint32_t timeoutMs) {
    if (socket.fd < 0 || socket.ssl == nullptr) {
        SecureClose(socket);
        return LPROCESS_OK;
    }
    SSL_shutdown(socket.ssl);
    shutdown(socket.fd, SHUT_WR);
    LProcessResult result = LPROCESS_OK;
    for (char scratch[4096];;) {
        ssize_t got = recv(socket.fd, scratch, sizeof scratch, MSG_DONTWAIT);
        if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            break;
        }
        if (got < 0 &&
            (result = WaitReadableSliced(iface, socket.fd, timeoutMs, nullptr)) != LPROCESS_OK) {
            break;
        }
    }
    // Both closes are done; another SSL_shutdown would only wait for what was read off here.
    SSL_free(socket.ssl);
    socket.ssl = nullptr;
    SecureClose(socket);
    return result;
}

LProcessResult SecureConnect(LProcessInterface& iface, LSecureSocket& socket,
                             const SocketAddress& address, std::uint32_t timeoutMs) {
    SecureClose(socket);
    socket.fd = OpenNonBlockingSocket(address.family(), false);
    if (socket.fd < 0) {
        return LPROCESS_FAILED;
    }
    LProcessResult result = ConnectNonBlocking(iface, socket.fd, address, timeoutMs);
    if (result != LPROCESS_OK) {
        SecureClose(socket);
    }
    return result;
}

LProcessResult SecureConnectAnyAddress(LProcessInterface& iface, LSecureSocket& socket,
                                       const AddressList& list, std::uint32_t timeoutMs) {
    const std::uint32_t count = std::min(list.count, AddressList::kMaxAddresses);
    for (std::uint32_t i = 0; i < count; ++i) {
        SocketAddress address = list.addresses[i];
        address.SetPort(list.port);
        LProcessResult result = SecureConnect(iface, socket, address, timeoutMs);
        if (result != LPROCESS_FAILED) {
            return result;
        }
    }
    SecureClose(socket);
    return LPROCESS_FAILED;
}

namespace {

bool TlsDataPending(const LSecureSocket& socket) {
    return socket.ssl != nullptr && (SSL_has_pending(socket.ssl) || TlsPeerClosed(socket.ssl));
}

int ClampToInt(std::size_t length) {
    return static_cast<int>(std::min<std::size_t>(length, INT_MAX));
}

LProcessResult SendTls(LProcessInterface& iface, LSecureSocket& socket, const void* bytes,
                       std::size_t length, std::uint32_t timeoutMs) {
    const auto* next = static_cast<const unsigned char*>(bytes);
    std::size_t remaining = length;
    TimeoutBudget budget(timeoutMs);
    while (remaining > 0) {
        if (LProcessResult ready = BeforeSlice(iface, socket.fd); ready != LPROCESS_OK) {
            return ready;
        }
        if (socket.ssl == nullptr) {
            return LPROCESS_FAILED;
        }
        int written = SSL_write(socket.ssl, next, ClampToInt(remaining));
        if (written > 0) {
            next += written;
            remaining -= static_cast<std::size_t>(written);
            continue;
        }
        int savedErrno = errno;
        int error = SSL_get_error(socket.ssl, written);
        if (error == kSslErrorWantRead || error == kSslErrorWantWrite) {
            // Wait a slice for the socket instead of spinning on a full send buffer.
            SliceWait what = error == kSslErrorWantRead ? SliceWait::kRead : SliceWait::kWrite;
            if (WaitOneSlice(socket.fd, what) == SliceResult::kTimedOut && !budget.SpendSlice()) {
                return LPROCESS_FAILED;
            }
            continue;
        }
        if (error == kSslErrorSsl) {
            DrainTlsErrors();
        }
        if (savedErrno == EAGAIN || savedErrno == EWOULDBLOCK) {
            if (WaitWritableSlice(budget, socket.fd) != LPROCESS_OK) {
                return LPROCESS_FAILED;
            }
            continue;
        }
        if (savedErrno == EPIPE) {
            SecureClose(socket);
        }
        return LPROCESS_FAILED;
    }
    return LPROCESS_OK;
}

}  // namespace

LProcessResult SecureSendAll(LProcessInterface& iface, LSecureSocket& socket, const void* bytes,
                             std::size_t length, std::uint32_t timeoutMs) {
    if (socket.ssl != nullptr) {
        return SendTls(iface, socket, bytes, length, timeoutMs);
    }
    return SendPlainChunks(iface, socket.fd, bytes, length, timeoutMs,
                           [&socket] { SecureClose(socket); });
}

LProcessResult SecureWaitForReadable(LProcessInterface& iface, LSecureSocket& socket,
                                     std::uint32_t timeoutMs) {
    return WaitReadableSliced(iface, socket.fd, timeoutMs,
                              [&socket] { return TlsDataPending(socket); });
}

std::size_t SecureBytesAvailable(LSecureSocket& socket) {
    if (socket.ssl != nullptr) {
        int pending = SSL_pending(socket.ssl);
        if (pending > 0) {
            return static_cast<std::size_t>(pending);
        }
        if (SSL_has_pending(socket.ssl) || TlsPeerClosed(socket.ssl)) {
            // Records read ahead and not yet decrypted, or the peer's close that a read reports.
            return 1;
        }
    }
    int available = 0;
    if (socket.fd < 0 || ioctl(socket.fd, FIONREAD, &available) != 0 || available < 0) {
        return 0;
    }
    return static_cast<std::size_t>(available);
}

namespace {

// How long a TLS read waits for the rest of a record before it gives up.
inline constexpr int kTlsRecordSlices = 300;

enum class ReadOutcome { kData, kNothingYet, kClosed, kError };

// OpenSSL 3 reports a peer that closed without a TLS close as an error of its own.
bool TakeTlsErrorsForEof() {
    bool eof = false;
    for (unsigned long code; (code = ERR_get_error()) != 0;) {
        char text[256];
        std::string_view shown = ERR_error_string(code, text);
        eof = eof || shown.find("unexpected eof") != std::string_view::npos;
    }
    return eof;
}

// One read without waiting.
ReadOutcome ReadOnce(LSecureSocket& socket, void* buffer, std::size_t length, std::size_t& count) {
    count = 0;
    for (;;) {
        if (socket.ssl == nullptr) {
            ssize_t got = recv(socket.fd, buffer, length, 0);
            if (got > 0) {
                count = static_cast<std::size_t>(got);
                return ReadOutcome::kData;
            }
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                return ReadOutcome::kNothingYet;
            }
            return got == 0 ? ReadOutcome::kClosed : ReadOutcome::kError;
        }
        errno = 0;
        int got = SSL_read(socket.ssl, buffer, ClampToInt(length));
        if (got > 0) {
            count = static_cast<std::size_t>(got);
            return ReadOutcome::kData;
        }
        if (got == 0) {
            return ReadOutcome::kClosed;
        }
        int savedErrno = errno;
        int error = SSL_get_error(socket.ssl, got);
        if (error == kSslErrorWantRead || error == kSslErrorWantWrite) {
            return ReadOutcome::kNothingYet;
        }
        if (savedErrno == EINTR) {
            continue;
        }
        if (error == kSslErrorSsl) {
            return TakeTlsErrorsForEof() ? ReadOutcome::kClosed : ReadOutcome::kError;
        }
        return savedErrno == 0 ? ReadOutcome::kClosed : ReadOutcome::kError;
    }
}

// One TLS read returns one record of at most 16 KiB; the records already read ahead join it, so
// the caller gets a block as large as a plain read would give. An end or an error is left for
// the next read to report (a socket whose peer's TLS close was read counts as readable).
void TakeDecryptedRecords(LSecureSocket& socket, char* buffer, std::size_t capacity,
                          std::size_t& count) {
    while (count < capacity && socket.ssl != nullptr && SSL_has_pending(socket.ssl)) {
        std::size_t more = 0;
        if (ReadOnce(socket, buffer + count, capacity - count, more) != ReadOutcome::kData) {
            return;
        }
        count += more;
    }
}

LProcessResult ReadTlsNow(LSecureSocket& socket, void* buffer, std::size_t length,
                          std::size_t& count) {
    for (int slices = 0;;) {
        switch (ReadOnce(socket, buffer, length, count)) {
            case ReadOutcome::kData:
                return LPROCESS_OK;
            case ReadOutcome::kNothingYet:
                if (++slices <= kTlsRecordSlices) {
                    // Part of a record has arrived; wait for the rest rather than spin.
                    WaitOneSlice(socket.fd, SliceWait::kRead);
                    continue;
                }
                return LPROCESS_FAILED;
            case ReadOutcome::kClosed:
                SecureClose(socket);
                return LPROCESS_FAILED;
            case ReadOutcome::kError:
                return LPROCESS_FAILED;
        }
    }
}

}  // namespace

LProcessResult SecureReadNow(LSecureSocket& socket, void* buffer, std::size_t length,
                             std::size_t& count) {
    count = 0;
    if (socket.fd < 0) {
        return LPROCESS_FAILED;
    }
    if (socket.ssl != nullptr) {
        return ReadTlsNow(socket, buffer, length, count);
    }
    ssize_t got = recv(socket.fd, buffer, length, 0);
    if (got <= 0) {
        SecureClose(socket);
        return LPROCESS_FAILED;
    }
    count = static_cast<std::size_t>(got);
    return LPROCESS_OK;
}

LProcessResult SecureReceive(LProcessInterface& iface, LSecureSocket& socket, void* buffer,
                             std::size_t capacity, std::size_t& count, std::uint32_t timeoutMs,
                             bool* peerClosed) {
    count = 0;
    if (peerClosed != nullptr) {
        *peerClosed = false;
    }
    if (socket.fd < 0) {
        return LPROCESS_FAILED;
    }
    if (capacity == 0) {
        return LPROCESS_OK;
    }
    // A stop is seen even while data keeps arriving.
    if (iface.IsStopped()) {
        return LPROCESS_STOPPED;
    }
    // What has arrived is read first; the sliced wait is only for when nothing has.
    for (;;) {
        switch (ReadOnce(socket, buffer, capacity, count)) {
            case ReadOutcome::kData:
                TakeDecryptedRecords(socket, static_cast<char*>(buffer), capacity, count);
                return LPROCESS_OK;
            case ReadOutcome::kClosed:
                // The socket stays open: its owner closes it.
                if (peerClosed != nullptr) {
                    *peerClosed = true;
                }
                return LPROCESS_FAILED;
            case ReadOutcome::kError:
                return LPROCESS_FAILED;
            case ReadOutcome::kNothingYet:
                break;
        }
        LProcessResult waited = WaitReadableSliced(iface, socket.fd, timeoutMs, nullptr);
        if (waited != LPROCESS_OK) {
            return waited;
        }
    }
}
