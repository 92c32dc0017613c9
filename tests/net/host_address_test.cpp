#include "net/host_address.h"

#include <arpa/inet.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "support/private_hosts.h"
#include "support/temp_folder.h"

namespace {

struct SplitCase {
    std::string text;
    std::string host;
    std::uint16_t port;
};

TEST(SplitHostPort, ReadsTheHostAndThePort) {
    const SplitCase cases[] = {
        {"ftp.example.com:2121", "ftp.example.com", 2121},
        {"ftp.example.com", "ftp.example.com", 21},
        {"ftp.example.com:", "ftp.example.com", 0},
        {"10.0.0.1:21:99", "10.0.0.1", 21},
        {"host:70000", "host", 70000 & 0xFFFF},
        {"host:12ab", "host", 12},
        {"host:99999999999999999999", "host", 65535},  // wraps instead of overflowing
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.text);
        std::string host;
        std::uint16_t port = SplitHostPort(c.text, host, 21);
        EXPECT_EQ(host, c.host);
        EXPECT_EQ(port, c.port);
    }
}

TEST(SplitHostPort, KeepsAt259BytesOfTheHost) {
    std::string host;
    EXPECT_EQ(SplitHostPort(std::string(300, 'h') + ":2121", host, 21), 21);
    EXPECT_EQ(host, std::string(259, 'h'));
}

TEST(ResolveHost, TakesADottedAddressAsItIs) {
    EXPECT_EQ(ResolveHost("127.0.0.1"), htonl(INADDR_LOOPBACK));
    sockaddr_in address{};
    MakeSocketAddress(address, "127.0.0.2:2121", 21);
    EXPECT_EQ(address.sin_family, AF_INET);
    EXPECT_EQ(ntohs(address.sin_port), 2121);
    EXPECT_EQ(address.sin_addr.s_addr, htonl(0x7F000002));
    AddressList list;
    MakeAddressList(list, "127.0.0.3", 21);
    EXPECT_EQ(list.port, 21);
    ASSERT_EQ(list.count, 1u);
    EXPECT_EQ(list.addresses[0], htonl(0x7F000003));
}

// Name look-ups run in a child with its own mount namespace, where /etc/hosts lists a name with
// six addresses and the resolver consults only that file: the test never asks a name server.
TEST(ResolveHostList, KeepsTheFirstFourAddressesOfAName) {
    std::string hostsText = "127.0.0.1 localhost\n";
    for (int i = 1; i <= 6; ++i) {
        hostsText += "127.0.1." + std::to_string(i) + " many.test\n";
    }
    std::optional<std::string> report = RunWithPrivateHosts(hostsText, [] {
        AddressList list;
        MakeAddressList(list, "many.test:2121", 21);
        std::string text = std::to_string(list.port) + " " + std::to_string(list.count);
        for (std::uint32_t i = 0; i < list.count; ++i) {
            in_addr address{list.addresses[i]};
            text += std::string(" ") + inet_ntoa(address);
        }
        in_addr first{ResolveHost("many.test")};
        text += std::string(" first=") + inet_ntoa(first);
        AddressList none;
        ResolveHostList("no-such-host.test", none);
        text += " unknown=" + std::to_string(none.count) + "," +
                std::to_string(ResolveHost("no-such-host.test"));
        return text;
    });
    if (!report) {
        GTEST_SKIP() << "no permission for a private mount namespace";
    }
    EXPECT_EQ(report, "2121 4 127.0.1.1 127.0.1.2 127.0.1.3 127.0.1.4 first=127.0.1.1 unknown=0,0");
}

}  // namespace
