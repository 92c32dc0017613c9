#include "net/host_address.h"

#include <arpa/inet.h>
#include <netdb.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "frame/text_limits.h"

namespace {

// The IPv4 addresses of a name, in the resolver's order.
std::vector<in_addr_t> LookUpName(const std::string& name) {
    std::vector<in_addr_t> found;
    hostent entry{};
    hostent* result = nullptr;
    int error = 0;
    std::vector<char> scratch(1024);
    while (gethostbyname2_r(name.c_str(), AF_INET, &entry, scratch.data(), scratch.size(), &result,
                            &error) == ERANGE) {
        scratch.resize(scratch.size() * 2);
    }
    if (result == nullptr || result->h_addrtype != AF_INET || result->h_length != 4) {
        return found;
    }
    for (char** address = result->h_addr_list; *address != nullptr; ++address) {
        in_addr_t value;
        std::memcpy(&value, *address, sizeof value);
        found.push_back(value);
    }
    return found;
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

bool IsIpv6Address(std::string_view text) {
    in6_addr address{};
    return inet_pton(AF_INET6, std::string(text).c_str(), &address) == 1;
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

in_addr_t ResolveHost(const std::string& host) {
    in_addr_t address = inet_addr(host.c_str());
    if (address != INADDR_NONE) {
        return address;
    }
    std::vector<in_addr_t> found = LookUpName(host);
    return found.empty() ? 0 : found.front();
}

void MakeSocketAddress(sockaddr_in& address, std::string_view hostText, std::uint16_t defaultPort) {
    const HostText parts = ParseHostText(hostText, defaultPort);
    address = sockaddr_in{};
    address.sin_family = AF_INET;
    if (parts.status == HostTextStatus::kOk && !parts.ipv6) {
        address.sin_port = htons(parts.port);
        address.sin_addr.s_addr = ResolveHost(parts.host);
    }
}

void ResolveHostList(const std::string& host, AddressList& list) {
    list.count = 0;
    in_addr_t dotted = inet_addr(host.c_str());
    if (dotted != INADDR_NONE) {
        list.addresses[0] = dotted;
        list.count = 1;
        return;
    }
    for (in_addr_t address : LookUpName(host)) {
        if (list.count == AddressList::kMaxAddresses) {
            break;
        }
        list.addresses[list.count++] = address;
    }
}

void MakeAddressList(AddressList& list, std::string_view hostText, std::uint16_t defaultPort) {
    const HostText parts = ParseHostText(hostText, defaultPort);
    list.port = parts.port;
    list.count = 0;
    if (parts.status == HostTextStatus::kOk && !parts.ipv6) {
        ResolveHostList(parts.host, list);
    }
}
