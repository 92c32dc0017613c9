#include "net/host_address.h"

#include <arpa/inet.h>
#include <netdb.h>

#include <cstring>
#include <memory>

#include "frame/text_limits.h"

SocketAddress::SocketAddress(const sockaddr_in& address) {
    std::memcpy(&storage_, &address, sizeof address);
}

SocketAddress::SocketAddress(const sockaddr_in6& address) {
    std::memcpy(&storage_, &address, sizeof address);
}

SocketAddress SocketAddress::From(const sockaddr* address, socklen_t length) {
    if (address != nullptr && address->sa_family == AF_INET && length >= sizeof(sockaddr_in)) {
        return *reinterpret_cast<const sockaddr_in*>(address);
    }
    if (address != nullptr && address->sa_family == AF_INET6 && length >= sizeof(sockaddr_in6)) {
        return *reinterpret_cast<const sockaddr_in6*>(address);
    }
    return {};
}

SocketAddress SocketAddress::PeerOf(int fd) {
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    if (fd < 0 || getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) != 0) {
        return {};
    }
    return From(reinterpret_cast<const sockaddr*>(&peer), length);
}

socklen_t SocketAddress::length() const {
    switch (family()) {
        case AF_INET:
            return sizeof(sockaddr_in);
        case AF_INET6:
            return sizeof(sockaddr_in6);
        default:
            return 0;
    }
}

std::uint16_t SocketAddress::port() const {
    switch (family()) {
        case AF_INET:
            return ntohs(reinterpret_cast<const sockaddr_in*>(&storage_)->sin_port);
        case AF_INET6:
            return ntohs(reinterpret_cast<const sockaddr_in6*>(&storage_)->sin6_port);
        default:
            return 0;
    }
}

void SocketAddress::SetPort(std::uint16_t port) {
    if (family() == AF_INET) {
        reinterpret_cast<sockaddr_in*>(&storage_)->sin_port = htons(port);
    } else if (family() == AF_INET6) {
        reinterpret_cast<sockaddr_in6*>(&storage_)->sin6_port = htons(port);
    }
}

bool SocketAddress::IsBroadcast() const {
    return family() == AF_INET &&
           reinterpret_cast<const sockaddr_in*>(&storage_)->sin_addr.s_addr == INADDR_BROADCAST;
}

std::string SocketAddress::AddressText() const {
    char text[NI_MAXHOST] = "";
    if (empty() || getnameinfo(get(), length(), text, sizeof text, nullptr, 0, NI_NUMERICHOST)) {
        return "";
    }
    return text;
}

std::string SocketAddress::HostText() const {
    const std::string address = AddressText();
    const std::string port = ":" + std::to_string(this->port());
    return family() == AF_INET6 ? "[" + address + "]" + port : address + port;
}

namespace {

struct AddrInfoFree {
    void operator()(addrinfo* list) const { freeaddrinfo(list); }
};
using AddrInfoList = std::unique_ptr<addrinfo, AddrInfoFree>;

// What getaddrinfo gives for a stream connection to `host`; null when nothing.
AddrInfoList LookUp(const std::string& host, int family, int flags) {
    addrinfo hints{};
    hints.ai_family = family;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = flags;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0) {
        return nullptr;
    }
    return AddrInfoList(found);
}

// A port: 1 to 65535 in decimal digits and nothing else (no sign, no blanks, no wrapping).
bool ReadPort(std::string_view digits, std::uint16_t& port) {
    if (digits.empty()) {
        return false;
    }
    std::uint32_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
        if (value > 65535) {
            return false;
        }
    }
    port = static_cast<std::uint16_t>(value);
    return value != 0;
}

// 0.0.0.0 or ::, which a connection would take to this machine.
bool IsUnspecified(const SocketAddress& address) {
    if (address.family() == AF_INET) {
        return reinterpret_cast<const sockaddr_in*>(address.get())->sin_addr.s_addr == INADDR_ANY;
    }
    return address.family() == AF_INET6 &&
           IN6_IS_ADDR_UNSPECIFIED(
               &reinterpret_cast<const sockaddr_in6*>(address.get())->sin6_addr);
}

// An IPv6 address, with a scope ("%eth0", "%2") where it is link-local.
bool IsIpv6Address(std::string_view text) {
    return !text.empty() && LookUp(std::string(text), AF_INET6, AI_NUMERICHOST) != nullptr;
}

}  // namespace

HostText ParseHostText(std::string_view text, std::uint16_t defaultPort) {
    HostText parts;
    std::string_view host = text;
    std::string_view rest;  // the ':' before the port and what follows, or nothing
    if (text.starts_with('[')) {
        std::size_t close = text.find(']');
        if (close == std::string_view::npos) {
            return parts;
        }
        host = text.substr(1, close - 1);
        rest = text.substr(close + 1);
        if (!rest.empty() && rest.front() != ':') {
            return parts;
        }
        parts.ipv6 = true;
    } else if (std::size_t colon = text.find(':'); colon != std::string_view::npos) {
        host = text.substr(0, colon);
        rest = text.substr(colon);
    }
    std::uint16_t port = defaultPort;
    if (!rest.empty() && !ReadPort(rest.substr(1), port)) {
        parts.status = HostTextStatus::kBadPort;
        return parts;
    }
    const bool hostRead =
        parts.ipv6 ? IsIpv6Address(host) : !host.empty() && host.find_first_of("[]") == host.npos;
    if (!hostRead) {
        return parts;
    }
    parts.status = HostTextStatus::kOk;
    parts.host = CutText(host);
    parts.port = port;
    return parts;
}

std::uint16_t SplitHostPort(std::string_view hostText, std::string& host,
                            std::uint16_t defaultPort) {
    HostText parts = ParseHostText(hostText, defaultPort);
    host = std::move(parts.host);
    return parts.port;
}

void ResolveHostList(const std::string& host, AddressList& list) {
    list.count = 0;
    // No AI_ADDRCONFIG: it drops ::1 on a machine whose only IPv6 address is the loopback.
    const AddrInfoList found = LookUp(host, AF_UNSPEC, 0);
    for (const addrinfo* entry = found.get(); entry != nullptr; entry = entry->ai_next) {
        const SocketAddress address = SocketAddress::From(entry->ai_addr, entry->ai_addrlen);
        if (!address.empty() && !IsUnspecified(address) &&
            list.count < AddressList::kMaxAddresses) {
            list.addresses[list.count++] = address;
        }
    }
}

void MakeAddressList(AddressList& list, std::string_view hostText, std::uint16_t defaultPort) {
    const HostText parts = ParseHostText(hostText, defaultPort);
    list.port = parts.port;
    list.count = 0;
    if (parts.status == HostTextStatus::kOk) {
        ResolveHostList(parts.host, list);
    }
}

void MakeSocketAddress(SocketAddress& address, std::string_view hostText,
                       std::uint16_t defaultPort) {
    AddressList list;
    MakeAddressList(list, hostText, defaultPort);
    address = list.count > 0 ? list.addresses[0] : SocketAddress();
    address.SetPort(list.port);
}
