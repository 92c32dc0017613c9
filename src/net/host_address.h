#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdint>
#include <string>
#include <string_view>

// One IPv4 or IPv6 socket address; empty (family AF_UNSPEC) when there is none.
class SocketAddress {
public:
    SocketAddress() = default;
    SocketAddress(const sockaddr_in& address);  // implicit: an IPv4 address is one of these
    SocketAddress(const sockaddr_in6& address);
    // A copy of an IPv4 or IPv6 address; empty for any other family or a short length.
    static SocketAddress From(const sockaddr* address, socklen_t length);
    // The other end of a connected socket; empty when there is none.
    static SocketAddress PeerOf(int fd);

    bool empty() const { return storage_.ss_family == AF_UNSPEC; }
    int family() const { return storage_.ss_family; }
    const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&storage_); }
    socklen_t length() const;
    std::uint16_t port() const;  // host byte order
    void SetPort(std::uint16_t port);
    bool IsBroadcast() const;  // 255.255.255.255, which no connection may go to
    // "192.0.2.1" or "2001:db8::1" (with "%scope" for a link-local address); "" when empty.
    std::string AddressText() const;
    // As the user would type it: "192.0.2.1:21" or "[2001:db8::1]:21".
    std::string HostText() const;

private:
    sockaddr_storage storage_{};
};

// Up to four addresses of one host in the resolver's order, IPv6 and IPv4, and the port to
// connect to.
struct AddressList {
    static constexpr std::uint32_t kMaxAddresses = 4;
    std::uint16_t port = 0;  // host byte order
    std::uint32_t count = 0;
    SocketAddress addresses[kMaxAddresses];  // their own ports are not used
};

// The texts a refused server text is explained with.
inline constexpr char kPortRangeText[] = "The port must be a number from 1 to 65535.";

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
    bool ipv6 = false;       // given in brackets
};
HostText ParseHostText(std::string_view text, std::uint16_t defaultPort);

// ParseHostText's host and port; the port is 0 for a text outside the grammar.
std::uint16_t SplitHostPort(std::string_view hostText, std::string& host,
                            std::uint16_t defaultPort);
// Up to four addresses of a name or an address (IPv4 or IPv6), in the resolver's order, which
// is the order to try them in; count 0 when the host does not resolve. 0.0.0.0 and :: (which
// reach this machine) are left out. The port is left as it is.
void ResolveHostList(const std::string& host, AddressList& list);
// Port and addresses of a server text; count 0 for a text outside the grammar.
void MakeAddressList(AddressList& list, std::string_view hostText, std::uint16_t defaultPort);
// The first address of a server text with its port; empty when there is none.
void MakeSocketAddress(SocketAddress& address, std::string_view hostText,
                       std::uint16_t defaultPort);
