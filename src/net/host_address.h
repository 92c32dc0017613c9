#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <string>
#include <string_view>

// Up to four IPv4 addresses of one host, with the port to connect to.
struct AddressList {
    static constexpr std::uint32_t kMaxAddresses = 4;
    std::uint16_t port = 0;  // host byte order
    std::uint32_t count = 0;
    in_addr_t addresses[kMaxAddresses] = {};  // network byte order
};

// Splits "host" or "host:port" at the first ':' (host keeps 259 bytes). Returns the port read
// as atoi reads it, cut to 16 bits, or defaultPort when there is no ':'.
std::uint16_t SplitHostPort(std::string_view hostText, std::string& host,
                            std::uint16_t defaultPort);
// A dotted address as it is, else the first address the name resolves to; 0 when none.
in_addr_t ResolveHost(const std::string& host);
// Family, port and address of "host" or "host:port"; address 0 when the host does not resolve.
void MakeSocketAddress(sockaddr_in& address, std::string_view hostText, std::uint16_t defaultPort);
// Up to four addresses in the resolver's order; count 0 when the name does not resolve.
void ResolveHostList(const std::string& host, AddressList& list);
void MakeAddressList(AddressList& list, std::string_view hostText, std::uint16_t defaultPort);
