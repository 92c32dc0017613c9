// A server name with an IPv6 and an IPv4 address: the addresses are tried in the resolver's order
// (::1 first) until one takes the connection, and the data connections follow the control
// connection's family.
#include <gtest/gtest.h>

#include <string>

#include "ftp/logon.h"
#include "ftp/remote_listing.h"
#include "net/host_address.h"
#include "servers/private_hosts.h"
#include "servers/real_server.h"
#include "support/scripted_ui.h"

namespace {

TEST(DualStackName, LogsOnAndListsWhereverTheServerListens) {
    for (const ServerCase& c : {kPlainServers[0], kIpv6Servers[0]}) {
        SCOPED_TRACE(c.name);
        RealServer server(c);
        std::string why;
        ASSERT_TRUE(server.Start(&why)) << why;
        ASSERT_TRUE(server.MakeFile("a.txt", "a"));
        const std::string port = server.hostText().substr(server.hostText().rfind(':'));
        const auto report = RunWithPrivateHosts("::1 dual.test\n127.0.0.1 dual.test\n", [&] {
            LSecureSocket connection;
            RecordingProcessInterface iface;
            const FtpConnectRequest request{&connection, "dual.test" + port, server.user(),
                                            server.password(), false};
            if (FtpConnect(iface, request) != LPROCESS_OK) {
                return std::string("no logon");
            }
            const SocketAddress peer = SocketAddress::PeerOf(connection.fd);
            std::string text = peer.family() == AF_INET6 ? "IPv6" : "IPv4";
            FtpDirList list(iface, connection);
            for (const FtpDirEntry* e = list.first.get(); e != nullptr; e = e->next.get()) {
                text += " " + e->name;
            }
            return text;
        });
        if (!report) {
            GTEST_SKIP() << "no permission for a private mount namespace";
        }
        EXPECT_EQ(report, std::string(c.ipv6 ? "IPv6" : "IPv4") + " a.txt");
    }
}

}  // namespace
