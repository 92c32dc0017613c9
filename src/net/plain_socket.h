#pragma once

#include <netinet/in.h>

#include <cstddef>
#include <cstdint>

#include "net/host_address.h"
#include "process/process_interface.h"

// Blocking-free IPv4 and IPv6 sockets on a bare descriptor (-1 means no socket). Every wait runs in
// 200 ms slices with a cancel check before each; time-outs are milliseconds.

// The descriptor is -1 after any failure or cancel.
LProcessResult ConnectWithTimeout(LProcessInterface& iface, int& fd, const SocketAddress& address,
                                  std::uint32_t timeoutMs);
// Tries each address in order with the full time-out; the first result that is not a failure.
LProcessResult ConnectAnyAddress(LProcessInterface& iface, int& fd, const AddressList& list,
                                 std::uint32_t timeoutMs);
LProcessResult SendAll(LProcessInterface& iface, int& fd, const void* bytes, std::size_t length,
                       std::uint32_t timeoutMs);
LProcessResult WaitForReadable(LProcessInterface& iface, int fd, std::uint32_t timeoutMs);
// Ok only with at least one byte.
LProcessResult ReceiveSome(LProcessInterface& iface, int fd, void* buffer, std::size_t capacity,
                           std::size_t& count, std::uint32_t timeoutMs);
// Ok with whatever arrived until the buffer was full or the peer stopped; only a cancel fails.
LProcessResult ReceiveUpTo(LProcessInterface& iface, int fd, void* buffer, std::size_t capacity,
                           std::size_t& count, std::uint32_t timeoutMs);
// Ok only when exactly `length` bytes arrived.
LProcessResult ReceiveExactly(LProcessInterface& iface, int fd, void* buffer, std::size_t length,
                              std::size_t& count, std::uint32_t timeoutMs);
