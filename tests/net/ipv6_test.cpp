// Hosts with addresses of both families: the addresses are tried in the resolver's order and the
// first that takes the connection wins, for FTP connections and the HTTP client alike.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <string>
#include <vector>

#include "frame/file_descriptor.h"
#include "net/host_address.h"
#include "net/http_client.h"
#include "net/plain_socket.h"
#include "net/secure_socket.h"
#include "servers/private_hosts.h"
#include "servers/real_server.h"
#include "support/scripted_ui.h"

namespace {

std::string FamilyOf(int fd) {
    const SocketAddress peer = SocketAddress::PeerOf(fd);
    return peer.empty() ? "none" : peer.family() == AF_INET6 ? "IPv6" : "IPv4";
}

TEST(AnyAddress, TheFirstAddressThatTakesTheConnectionWins) {
    struct End {
        bool ipv6, listening;  // not listening: bound, so connections are refused
    };
    struct Case {
        const char* name;
        std::vector<End> ends;
        const char* connected;
    };
    const Case cases[] = {
        {"a refused IPv6 address gives way to IPv4", {{true, false}, {false, true}}, "IPv4"},
        {"IPv6 first when it answers", {{true, true}, {false, true}}, "IPv6"},
        {"IPv4 first when the resolver says so", {{false, true}, {true, true}}, "IPv4"},
        {"none answers", {{true, false}, {false, false}}, "none"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Every end on one port, which the list gives them all. The port the first end got
        // may be taken in the other family (a connection of an earlier row): then another try.
        std::uint16_t port = 0;
        std::vector<FileDescriptor> ends;
        AddressList list;
        for (int attempt = 0; attempt < 20 && list.count < c.ends.size(); ++attempt) {
            port = 0;
            ends.clear();
            list.count = 0;
            for (const End& end : c.ends) {
                const SocketAddress address = end.ipv6 ? SocketAddress(Ipv6LoopbackAddress(port))
                                                       : SocketAddress(LoopbackAddress(port));
                const FileDescriptor& fd =
                    ends.emplace_back(socket(address.family(), SOCK_STREAM | SOCK_CLOEXEC, 0));
                if (bind(fd.get(), address.get(), address.length()) != 0) {
                    break;
                }
                ASSERT_TRUE(!end.listening || listen(fd.get(), 4) == 0);
                sockaddr_storage bound{};
                socklen_t length = sizeof bound;
                ASSERT_EQ(getsockname(fd.get(), reinterpret_cast<sockaddr*>(&bound), &length), 0);
                port = SocketAddress::From(reinterpret_cast<sockaddr*>(&bound), length).port();
                list.addresses[list.count++] = address;
            }
        }
        ASSERT_EQ(list.count, c.ends.size()) << "no port free in both families";
        list.port = port;
        LProcessInterfaceVoidInstance iface;
        int fd = -1;
        LSecureSocket secure;
        const LProcessResult expected =
            c.connected == std::string("none") ? LPROCESS_FAILED : LPROCESS_OK;
        EXPECT_EQ(ConnectAnyAddress(iface, fd, list, 2000), expected);
        EXPECT_EQ(SecureConnectAnyAddress(iface, secure, list, 2000), expected);
        EXPECT_EQ(FamilyOf(fd) + " " + FamilyOf(secure.fd),
                  std::string(c.connected) + " " + c.connected);
        EXPECT_TRUE(expected == LPROCESS_OK || (fd == -1 && secure.fd == -1));
        FileDescriptor closer(fd);
    }
}

// The name resolves to ::1 first, where nothing listens, and to 127.0.0.1, where the server does.
TEST(HttpGet, ReachesANameWhoseFirstAddressRefuses) {
    PythonHttpServer server;
    ASSERT_TRUE(server.Start() && server.Serve("v.txt", "version=2"));
    std::string url = server.Url("/v.txt");
    url.replace(url.find("127.0.0.1"), 9, "dual.test");
    const auto report = RunWithPrivateHosts("::1 dual.test\n127.0.0.1 dual.test\n", [&] {
        AddressList list;
        ResolveHostList("dual.test", list);
        std::string text;
        for (std::uint32_t i = 0; i < list.count; ++i) {
            text += list.addresses[i].AddressText() + " ";
        }
        LProcessInterfaceVoidInstance iface;
        std::string response;
        const LProcessResult got = HttpGet(iface, url, response, 2048, 5000);
        const std::size_t body = response.find("\r\n\r\n");
        return text + (got == LPROCESS_OK ? "OK " : "FAILED ") +
               (body == std::string::npos ? response : response.substr(body + 4));
    });
    if (!report) {
        GTEST_SKIP() << "no permission for a private mount namespace";
    }
    EXPECT_EQ(report, "::1 127.0.0.1 OK version=2");
}

}  // namespace
