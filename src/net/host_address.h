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

// The texts a refused server text is explained with.
inline constexpr char kPortRangeText[] = "The port must be a number from 1 to 65535.";
inline constexpr char kIpv6NotSupportedText[] = "IPv6 addresses are not supported yet.";

enum class HostTextStatus {
    kOk,
    kBadPort,  // a ':' not followed by 1 to 65535 in decimal digits only
    kBadHost,  // no host, brackets that do not hold one IPv6 address, or text after the ']'
};

// A server text taken apart: "host", "host:port", "[IPv6 address]" or "[IPv6 address]:port".
// Every place that takes a server from the user reads it with this one grammar.
struct HostText {
    HostTextStatus status = HostTextStatus::kBadHost;
    std::string host;        // without the brackets; 259 bytes kept
    std::uint16_t port = 0;  // the default port when none is given; 0 unless status is kOk
    bool ipv6 = false;       // given in brackets; connections are IPv4 only for now
};
HostText ParseHostText(std::string_view text, std::uint16_t defaultPort);

// ParseHostText's host and port; the port is 0 for a text outside the grammar.
std::uint16_t SplitHostPort(std::string_view hostText, std::string& host,
                            std::uint16_t defaultPort);
// A dotted address as it is, else the first address the name resolves to; 0 when none.
in_addr_t ResolveHost(const std::string& host);
// Family, port and address of a server text. Address 0 when the text is outside the grammar,
// names an IPv6 address or does not resolve: callers test for 0 before connecting.
void MakeSocketAddress(sockaddr_in& address, std::string_view hostText, std::uint16_t defaultPort);
// Up to four addresses in the resolver's order; count 0 when the name does not resolve.
void ResolveHostList(const std::string& host, AddressList& list);
// As MakeSocketAddress: count 0 for a text outside the grammar or an IPv6 address.
void MakeAddressList(AddressList& list, std::string_view hostText, std::uint16_t defaultPort);
