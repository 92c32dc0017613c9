#include "net/host_address.h"

#include <arpa/inet.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

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
    TempFolder folder("brindle-hosts");
    const std::string hosts = folder.File("hosts");
    const std::string nsswitch = folder.File("nsswitch.conf");
    std::string hostsText = "127.0.0.1 localhost\n";
    for (int i = 1; i <= 6; ++i) {
        hostsText += "127.0.1." + std::to_string(i) + " many.test\n";
    }
    ASSERT_TRUE(WriteWholeFile(hosts, hostsText));
    ASSERT_TRUE(WriteWholeFile(nsswitch, "hosts: files\n"));

    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(pipeFds[0]);
        std::string report;
        if (unshare(CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount(hosts.c_str(), "/etc/hosts", nullptr, MS_BIND, nullptr) != 0 ||
            mount(nsswitch.c_str(), "/etc/nsswitch.conf", nullptr, MS_BIND, nullptr) != 0) {
            report = "skip";
        } else {
            AddressList list;
            MakeAddressList(list, "many.test:2121", 21);
            report = std::to_string(list.port) + " " + std::to_string(list.count);
            for (std::uint32_t i = 0; i < list.count; ++i) {
                in_addr address{list.addresses[i]};
                report += std::string(" ") + inet_ntoa(address);
            }
            in_addr first{ResolveHost("many.test")};
            report += std::string(" first=") + inet_ntoa(first);
            AddressList none;
            ResolveHostList("no-such-host.test", none);
            report += " unknown=" + std::to_string(none.count) + "," +
                      std::to_string(ResolveHost("no-such-host.test"));
        }
        [[maybe_unused]] ssize_t n = write(pipeFds[1], report.data(), report.size());
        _exit(0);
    }
    close(pipeFds[1]);
    std::string report;
    char buffer[512];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0) {
        report.append(buffer, static_cast<std::size_t>(n));
    }
    close(pipeFds[0]);
    waitpid(child, nullptr, 0);
    if (report == "skip") {
        GTEST_SKIP() << "no permission for a private mount namespace";
    }
    EXPECT_EQ(report, "2121 4 127.0.1.1 127.0.1.2 127.0.1.3 127.0.1.4 first=127.0.1.1 unknown=0,0");
}

}  // namespace
