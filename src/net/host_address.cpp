#include "net/host_address.h"

#include <arpa/inet.h>
#include <netdb.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "frame/number_text.h"
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

}  // namespace

std::uint16_t SplitHostPort(std::string_view hostText, std::string& host,
                            std::uint16_t defaultPort) {
    host = CutText(hostText);
    std::size_t colon = host.find(':');
    if (colon == std::string::npos) {
        return defaultPort;
    }
    auto port = static_cast<std::uint16_t>(AtoiLike(std::string_view(host).substr(colon + 1)));
    host.resize(colon);
    return port;
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
    std::string host;
    std::uint16_t port = SplitHostPort(hostText, host, defaultPort);
    address = sockaddr_in{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = ResolveHost(host);
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
    std::string host;
    list.port = SplitHostPort(hostText, host, defaultPort);
    ResolveHostList(host, list);
}
