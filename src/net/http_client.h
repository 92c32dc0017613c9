#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "net/secure_socket.h"
#include "process/process_interface.h"

// A minimal HTTP/1.0 client over the plain sockets: GET only, port 80 unless the URL names one;
// no TLS, proxy, chunked coding, redirects or keep-alive. Every wait can be cancelled.

inline constexpr std::size_t kUrlHostLimit = 259;
inline constexpr std::size_t kUrlPathLimit = 1023;
inline constexpr std::size_t kHttpRequestLimit = 2047;

// Host (with its ":port" when given, at most 259 bytes) and path (from its '/', at most 1023
// bytes; "" when there is none). A scheme ending in "//" is dropped.
void SplitUrl(std::string_view url, std::string& host, std::string& path);
// "GET <path> HTTP/1.0", the Host line and the empty line, cut to 2047 bytes.
std::string MakeHttpRequest(const std::string& host, const std::string& path);

// The whole raw response (status line, headers, body) in `response`, at most bufferSize - 1
// bytes of it: reading stops when that is reached or the server closes. Connecting, sending and
// every receive wait get timeoutMs. `response` is empty when the server could not be reached.
LProcessResult HttpGet(LProcessInterface& iface, std::string_view url, std::string& response,
                       std::size_t bufferSize, std::uint32_t timeoutMs);

// The body of a 2xx response in the file at filePath (created or truncated). Only a success
// leaves the file behind: on a failure or a cancel it is deleted, and a status other than 2xx
// creates no file at all.
LProcessResult HttpDownloadToFile(LProcessInterface& iface, std::string_view url,
                                  const std::string& filePath);

// The response readers HttpDownloadToFile is made of, on a connection that carries no TLS.

// The status code of a status line: it must begin with "HTTP" (any case); the code is read from
// its tenth byte on, as atoi reads it. False when the line is not a status line.
bool ParseHttpStatusLine(std::string_view line, int& status);
// The body length a header line announces, when it begins with "Content-Length: " (exactly)
// followed by a length; otherwise `length` is left as it is.
void ParseHttpHeaderLine(std::string_view line, std::int64_t& length);
// Reads header lines until the empty line (a line that cannot be read also ends them).
// `length` is the announced body length, or -1 when none was announced.
LProcessResult ReadHttpHeaders(LProcessInterface& iface, LSecureSocket& connection,
                               std::int64_t& length);
// Receives the body into outFd: exactly `length` bytes when it is known (>= 0), else everything
// until the server closes.
LProcessResult ReceiveHttpBody(LProcessInterface& iface, LSecureSocket& connection, int outFd,
                               std::int64_t length);
