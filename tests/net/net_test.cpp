#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <optional>

#include "net/host_address.h"
#include "net/http_client.h"
#include "net/line_reader.h"
#include "net/plain_socket.h"
#include "servers/peer_script.h"
#include "servers/private_hosts.h"
#include "servers/real_server.h"
#include "support/case_table.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace {

TEST(NetTexts, UrlsAndHttpLinesAreTakenApart) {
    for (const auto& [name, row] : LoadCases("net/texts.tsv")) {
        std::string got, host, path;
        int status = -1;
        std::int64_t length = -1;
        if (row.at(0) == "url") {
            SplitUrl(row.at(1), host, path);
            got = host + "|" + path;
        } else if (row[0] == "status") {
            got = ParseHttpStatusLine(row.at(1), status) ? "yes " : "no ";
            got += std::to_string(status);
        } else {
            ParseHttpHeaderLine(row.at(1), length);
            got = std::to_string(length);
        }
        EXPECT_EQ(got, row.at(2)) << name;
    }
}

// Every server text goes through one grammar; nothing outside it gives an address to connect to.
TEST(HostAddress, ServerTextsFollowOneGrammar) {
    const char* const status[] = {"ok", "bad-port", "bad-host"};
    for (const auto& [name, row] : LoadCases("net/server_texts.tsv")) {
        const HostText parts = ParseHostText(row.at(1), 21);
        std::string got = status[static_cast<int>(parts.status)];
        if (parts.status == HostTextStatus::kOk) {
            got += "|" + parts.host + "|" + std::to_string(parts.port) + (parts.ipv6 ? "|v6" : "");
        }
        EXPECT_EQ(got, row.at(2)) << name;
        if (row.at(3) != "-") {
            SocketAddress address;
            MakeSocketAddress(address, row[1], 21);
            EXPECT_EQ(address.empty() ? "none" : address.HostText(), row[3]) << name;
        }
    }
}

// The look-ups run where /etc/hosts lists a name with six addresses and is the resolver's only
// source: no name server is ever asked.
TEST(HostAddress, KeepsTheFirstFourAddressesOfAName) {
    const std::string hosts = ReadWholeFile(TestDataPath("net/many.hosts"));
    const auto report = RunWithPrivateHosts(hosts, [] {
        AddressList list, none;
        MakeAddressList(list, "many.test:2121", 21);
        ResolveHostList("no-such-host.test", none);
        std::string text = std::to_string(list.port) + " " + std::to_string(list.count);
        for (std::uint32_t i = 0; i < list.count; ++i) {
            text += " " + list.addresses[i].AddressText();
        }
        return text + " unknown " + std::to_string(none.count);
    });
    if (!report) {
        GTEST_SKIP() << "no permission for a private mount namespace";
    }
    EXPECT_EQ(report, "2121 4 127.0.1.1 127.0.1.2 127.0.1.3 127.0.1.4 unknown 0");
}

TEST(ReadLine, ReadsEveryShapeOfLine) {
    for (const auto& [name, row] : LoadCases("net/lines.tsv")) {
        ScriptedPeer peer;
        peer.Send(row.at(2));
        row.at(3) == "close" ? peer.Close().Start() : peer.HoldOpen().Start();
        LProcessInterfaceVoidInstance iface;
        LSecureSocket socket;
        ASSERT_EQ(SecureConnect(iface, socket, peer.address(), 2000), LPROCESS_OK);
        if (row[3] == "close") {
            peer.Wait();
        }
        std::string reads;
        for (auto n = std::count(row.at(4).begin(), row[4].end(), '|') + 1; n > 0; --n) {
            std::string line;
            const LProcessResult read = row[1] == "growing"
                                            ? ReadLineGrowing(iface, socket, line, 1000)
                                            : ReadLine(iface, socket, line, 1000);
            reads += (read == LPROCESS_OK ? line : "<failed>") + (n > 1 ? "|" : "");
        }
        EXPECT_EQ(reads, row[4]) << name;
        if (row.at(5) != "-") {
            EXPECT_EQ(std::to_string(SecureBytesAvailable(socket)), row[5]) << name;
        }
    }
}

TEST(Sockets, FailStopOrCloseAsThePeerAndTheUserDo) {
    const std::string data(16 * 1024 * 1024, 'x');
    for (bool stop : {false, true}) {
        ScriptedPeer peer;  // closes at once, or never reads
        stop ? peer.HoldOpen().Start() : peer.Close().Start();
        RecordingProcessInterface iface;
        int fd = -1;
        ASSERT_EQ(ConnectWithTimeout(iface, fd, peer.address(), 2000), LPROCESS_OK);
        stop ? iface.RequestStop() : peer.Wait();
        EXPECT_EQ(SendAll(iface, fd, data.data(), data.size(), 4000),
                  stop ? LPROCESS_STOPPED : LPROCESS_FAILED);
        close(fd);
    }
    LProcessInterfaceVoidInstance iface;
    ScriptedPeer first, second;
    first.Send("abc").ReceiveUntilClosed().Start();
    second.Close().Start();
    LSecureSocket socket;
    ASSERT_EQ(SecureConnect(iface, socket, first.address(), 2000), LPROCESS_OK);
    char buffer[16];
    std::size_t count = 0;
    ASSERT_EQ(SecureReceive(iface, socket, buffer, sizeof buffer, count, 2000), LPROCESS_OK);
    ASSERT_EQ(SecureConnect(iface, socket, second.address(), 2000), LPROCESS_OK);
    first.Wait();  // returns only once the first connection was closed
    second.Wait();
    // A closed peer: a receive fails and keeps the socket, a read without waiting closes it.
    EXPECT_EQ(SecureReceive(iface, socket, buffer, sizeof buffer, count, 2000), LPROCESS_FAILED);
    ASSERT_GE(socket.fd, 0);
    EXPECT_EQ(SecureReadNow(socket, buffer, sizeof buffer, count), LPROCESS_FAILED);
    EXPECT_EQ(socket.fd, -1);
    sockaddr_in broadcast = LoopbackAddress(21);
    broadcast.sin_addr.s_addr = INADDR_BROADCAST;
    int fd = -1;
    EXPECT_EQ(ConnectWithTimeout(iface, fd, broadcast, 1000), LPROCESS_FAILED);
    EXPECT_EQ(SecureConnect(iface, socket, broadcast, 1000), LPROCESS_FAILED);
    EXPECT_EQ(std::to_string(fd) + " " + std::to_string(socket.fd), "-1 -1");
}

// A body whose bytes differ from block to block, so a lost or repeated block shows.
std::string Body(std::size_t size) {
    std::string body;
    for (std::size_t i = 0; i < size; ++i) {
        body += static_cast<char>('a' + (i * 7 + i / 1028) % 26);
    }
    return body;
}

struct DownloadCase {
    const char* name;  // a script of net/http.script, or a file on the real server ("/...")
    LProcessResult result;
    std::string file;  // what the downloaded file holds; "-" when there must be none
    std::size_t blocks;
    double lastProgress;  // -1: not looked at
    bool stopAtFirstBlock = false;
    bool fileInMissingFolder = false;
};

class HttpDownload : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(server.Start()) << "http.server did not start"; }
    static void TearDownTestSuite() { server.Stop(); }
    static inline PythonHttpServer server;
};

TEST_F(HttpDownload, WritesTheAnnouncedBodyOrFailsWithoutAFile) {
    const std::string body = Body(2056), big = Body(100000);
    ASSERT_TRUE(server.Serve("c/big.zip", big));
    const DownloadCase cases[] = {
        {"length announced", LPROCESS_OK, body, 2, 1.0},
        {"no length: the body ends when the server closes", LPROCESS_OK, body + body, 4, -1},
        {"an empty announced body", LPROCESS_OK, "", 0, -1},
        {"a body shorter than announced", LPROCESS_FAILED, "-", 2, 2056 / 5000.0},
        {"a redirect", LPROCESS_FAILED, "-", 0, -1},
        {"a reply that is not HTTP", LPROCESS_FAILED, "-", 0, -1},
        {"a long body that stops coming", LPROCESS_STOPPED, "-", 1, 1028 / 100000.0, true},
        {"length announced", LPROCESS_FAILED, "-", 0, -1, false, true},
        {"/missing.zip", LPROCESS_FAILED, "-", 0, -1},
        {"/c/big.zip", LPROCESS_OK, big, 98, 1.0},
    };
    const auto scripts = LoadPeerScripts("net/http.script");
    for (const DownloadCase& c : cases) {
        ScriptedPeer peer;
        if (c.name[0] != '/') {
            PlayScript(peer, FindPeerScript(scripts, c.name),
                       {{"HOST", peer.hostText()}, {"BODY", body}, {"TARGET", server.Url("/f")}});
            peer.Start();
        }
        TempFolder folder;
        RecordingProcessInterface iface;
        if (c.stopAtFirstBlock) {
            iface.StopAtProgress(0.0);
        }
        const std::string file = folder.File(c.fileInMissingFolder ? "no/f" : "f");
        const std::string url =
            c.name[0] == '/' ? server.Url(c.name) : "http://" + peer.hostText() + "/f";
        EXPECT_EQ(HttpDownloadToFile(iface, url, file), c.result) << c.name;
        EXPECT_EQ(access(file.c_str(), F_OK) == 0 ? ReadWholeFile(file) : "-", c.file) << c.name;
        ASSERT_EQ(iface.progress.size(), c.blocks) << c.name;
        if (c.lastProgress >= 0) {
            EXPECT_DOUBLE_EQ(iface.progress.back(), c.lastProgress) << c.name;
        }
        if (c.name == std::string("length announced") && c.result == LPROCESS_OK) {
            EXPECT_EQ(ScriptMismatch(peer, FindPeerScript(scripts, c.name)), "");
        }
    }
    // Neither the redirect nor the missing file led to another request.
    EXPECT_EQ(server.Requests(),
              (std::vector<std::string>{"GET /missing.zip HTTP/1.0", "GET /c/big.zip HTTP/1.0"}));
}

TEST(HttpGet, ReturnsTheRawResponseUpToTheBufferOrNothing) {
    LProcessInterfaceVoidInstance quiet;
    std::string response;
    const auto scripts = LoadPeerScripts("net/http.script");
    ScriptedPeer peer;
    PlayScript(peer, FindPeerScript(scripts, "length announced"), {{"BODY", Body(2056)}});
    peer.Start();
    // A full buffer ends the reading though the server keeps the connection open.
    EXPECT_EQ(HttpGet(quiet, "http://" + peer.hostText() + "/f", response, 100, 5000), LPROCESS_OK);
    EXPECT_EQ(response,
              ("HTTP/1.0 200 OK\r\nContent-Length: 2056\r\n\r\n" + Body(2056)).substr(0, 99));
    RecordingProcessInterface iface;
    ScriptedPeer silent;
    PlayScript(silent, FindPeerScript(scripts, "no reply (the test adds what follows)"));
    silent.Call([&] { iface.RequestStop(); }).HoldOpen().Start();
    EXPECT_EQ(HttpGet(iface, "http://" + silent.hostText() + "/v", response, 2048, 60000),
              LPROCESS_STOPPED);
    RefusingPort refusing;
    response = "old";
    EXPECT_EQ(HttpGet(quiet, "http://" + refusing.hostText() + "/v", response, 2048, 5000),
              LPROCESS_FAILED);
    EXPECT_EQ(response, "");
}

}  // namespace
