#pragma once

#include <netinet/in.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "net/host_address.h"
#include "net/tls_binding.h"
#include "process/process_interface.h"

// One TCP connection that may carry TLS. TLS is in use exactly when `ssl` is set. The record
// owns its descriptor, its TLS session and its TLS context.
struct LSecureSocket {
    SSL* ssl = nullptr;
    SSL_CTX* sslContext = nullptr;
    int fd = -1;
    std::uint32_t features = 0;  // what the FTP server offers; unused on data connections
    char transferType = 0;       // the TYPE the server last accepted ('A', 'I'); 0 when unknown

    LSecureSocket() = default;
    ~LSecureSocket();
    LSecureSocket(const LSecureSocket&) = delete;
    LSecureSocket& operator=(const LSecureSocket&) = delete;
    LSecureSocket(LSecureSocket&& other) noexcept;
    LSecureSocket& operator=(LSecureSocket&& other) noexcept;
};

void SecureSocketInit(LSecureSocket& socket);

// Time-outs are milliseconds, whole multiples of 200; kWaitForever waits without limit.
LProcessResult SecureConnect(LProcessInterface& iface, LSecureSocket& socket,
                             const SocketAddress& address, std::uint32_t timeoutMs);
// Tries each address of the list in order, each with the full time-out; the first result that
// is not a failure.
LProcessResult SecureConnectAnyAddress(LProcessInterface& iface, LSecureSocket& socket,
                                       const AddressList& list, std::uint32_t timeoutMs);
LProcessResult SecureSendAll(LProcessInterface& iface, LSecureSocket& socket, const void* bytes,
                             std::size_t length, std::uint32_t timeoutMs);
LProcessResult SecureWaitForReadable(LProcessInterface& iface, LSecureSocket& socket,
                                     std::uint32_t timeoutMs);
// One read of at most `capacity` bytes: what has arrived is read at once; only when nothing has,
// it waits. Fails at the end of the data; *peerClosed (may be null) then tells whether the peer
// closed the connection, as opposed to an error or a time-out.
LProcessResult SecureReceive(LProcessInterface& iface, LSecureSocket& socket, void* buffer,
                             std::size_t capacity, std::size_t& count, std::uint32_t timeoutMs,
                             bool* peerClosed = nullptr);
// One read without waiting.
LProcessResult SecureReadNow(LSecureSocket& socket, void* buffer, std::size_t length,
                             std::size_t& count);
std::size_t SecureBytesAvailable(LSecureSocket& socket);
void SecureClose(LSecureSocket& socket);
// Ends a TLS connection this side sent data on: its TLS close and the end of its stream, then
// whatever the peer still sends (a TLS 1.3 server's session tickets) is read off until the peer
// closes too or timeoutMs pass. Closing at once would reset the connection when those bytes
// arrive, and the server would lose the end of the data. A plain connection just closes.
LProcessResult SecureCloseAfterSending(LProcessInterface& iface, LSecureSocket& socket,
                                       std::uint32_t timeoutMs);
