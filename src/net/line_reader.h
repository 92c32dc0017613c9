#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "net/secure_socket.h"

// The line readers never take a byte past the end of the line from the connection: what
// follows stays in the socket for the next reader (after "AUTH TLS" is answered, the TLS
// handshake starts on the same descriptor).

// Consumes the available bytes up to and including the first byte of `delimiters` (a NUL
// never matches), at most `capacity` of them.
LProcessResult SecurePeekUntil(LProcessInterface& iface, LSecureSocket& socket, void* buffer,
                               std::size_t capacity, std::size_t& count, const char* delimiters,
                               std::uint32_t timeoutMs);

// One line without its CR/LF; only its first 259 bytes are kept, the rest is read and dropped.
LProcessResult ReadLine(LProcessInterface& iface, LSecureSocket& socket, std::string& line,
                        std::uint32_t timeoutMs);
// The same without a length limit.
LProcessResult ReadLineGrowing(LProcessInterface& iface, LSecureSocket& socket, std::string& line,
                               std::uint32_t timeoutMs);
