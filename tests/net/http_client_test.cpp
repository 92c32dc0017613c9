#include "net/http_client.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "servers/http_server_fixture.h"
#include "servers/scripted_peer.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace {

bool FileExists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

// A body whose bytes differ from block to block, so a lost or repeated block shows.
std::string Body(std::size_t size) {
    std::string body;
    for (std::size_t i = 0; i < size; ++i) {
        body += static_cast<char>('a' + (i * 7 + i / 1028) % 26);
    }
    return body;
}

// A peer that reads the request (request line, Host line, empty line) and then answers.
void AnswerOneRequest(ScriptedPeer& peer, const std::string& reply) {
    peer.ExpectLine().ExpectLine().ExpectLine().Send(reply);
}

struct UrlCase {
    std::string url;
    std::string host;
    std::string path;
};

class SplitUrlTest : public testing::TestWithParam<UrlCase> {};

TEST_P(SplitUrlTest, GivesHostAndPath) {
    std::string host = "old";
    std::string path = "old";
    SplitUrl(GetParam().url, host, path);
    EXPECT_EQ(host, GetParam().host);
    EXPECT_EQ(path, GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(
    Urls, SplitUrlTest,
    testing::Values(UrlCase{"http://www.example.com/versions/brindleftp_mac.txt", "www.example.com",
                            "/versions/brindleftp_mac.txt"},
                    UrlCase{"http://www.example.com", "www.example.com", ""},
                    UrlCase{"http://127.0.0.1:8080/a/b?c=d&e=/f", "127.0.0.1:8080",
                            "/a/b?c=d&e=/f"},
                    UrlCase{"example.com/index.html", "example.com", "/index.html"},
                    UrlCase{"example.com", "example.com", ""}, UrlCase{"//host/x", "host", "/x"},
                    UrlCase{"", "", ""}));

TEST(SplitUrl, KeepsAtMost259BytesOfHostAnd1023OfPath) {
    std::string host;
    std::string path;
    SplitUrl("http://" + std::string(300, 'h') + "/" + std::string(2000, 'p'), host, path);
    EXPECT_EQ(host, std::string(259, 'h'));
    EXPECT_EQ(path, "/" + std::string(1022, 'p'));
}

TEST(MakeHttpRequest, IsAnHttp10GetWithTheHostAndItsPort) {
    EXPECT_EQ(MakeHttpRequest("127.0.0.1:8080", "/components/mac/openssl.zip"),
              "GET /components/mac/openssl.zip HTTP/1.0\r\nHost: 127.0.0.1:8080\r\n\r\n");
}

TEST(ParseHttpStatusLine, ReadsTheCodeAfterTheProtocolVersion) {
    struct Case {
        std::string line;
        bool isStatus;
        int status;
    };
    const Case cases[] = {
        {"HTTP/1.0 200 OK", true, 200},
        {"http/1.1 302 Found", true, 302},
        {"HTTP/1.1 404 Not Found", true, 404},
        {"HTTP/1.0", true, 0},
        {"SSH-2.0-OpenSSH_9.2", false, 0},
        {"HTT", false, 0},
        {"", false, 0},
    };
    for (const Case& c : cases) {
        int status = -1;
        EXPECT_EQ(ParseHttpStatusLine(c.line, status), c.isStatus) << c.line;
        EXPECT_EQ(status, c.status) << c.line;
    }
}

TEST(ParseHttpHeaderLine, TakesTheLengthOnlyFromAnExactContentLengthLine) {
    struct Case {
        std::string line;
        std::int64_t length;
    };
    const Case cases[] = {
        {"Content-Length: 3000", 3000},   {"Content-Length: 0", 0},
        {"content-length: 3000", -1},     {"Content-Length:3000", -1},
        {"Content-Length: many", -1},     {"Content-Length: -5", -1},
        {"Content-Type: text/plain", -1}, {"Content-Length: 99999999999999999999", -1},
        {"Content-Length: 12 bytes", 12},
    };
    for (const Case& c : cases) {
        std::int64_t length = -1;
        ParseHttpHeaderLine(c.line, length);
        EXPECT_EQ(length, c.length) << c.line;
    }
}

TEST(HttpDownloadToFile, SendsAGetWithTheHostAndWritesTheAnnouncedBody) {
    std::string body = Body(3000);
    ScriptedPeer peer;
    AnswerOneRequest(peer, "HTTP/1.0 200 OK\r\nContent-Length: 3000\r\n\r\n" + body +
                               "bytes past the announced length");
    peer.Start();
    TempFolder folder;
    RecordingProcessInterface iface;

    EXPECT_EQ(HttpDownloadToFile(iface, "http://" + peer.hostText() + "/components/mac/x.zip",
                                 folder.File("x.zip")),
              LPROCESS_OK);

    peer.Wait();
    EXPECT_EQ(peer.ReceivedLines(), (std::vector<std::string>{"GET /components/mac/x.zip HTTP/1.0",
                                                              "Host: " + peer.hostText(), ""}));
    EXPECT_EQ(ReadWholeFile(folder.File("x.zip")), body);
    // Three blocks of at most 1028 bytes, each moving the bar by 1028 / 3000.
    ASSERT_EQ(iface.progress.size(), 3u);
    EXPECT_DOUBLE_EQ(iface.progress[0], 1028.0 / 3000);
    EXPECT_DOUBLE_EQ(iface.progress[1], 2056.0 / 3000);
    EXPECT_DOUBLE_EQ(iface.progress[2], 1.0);
}

TEST(HttpDownloadToFile, WithoutALengthReadsBlocksUntilTheServerCloses) {
    std::string body = Body(3000);
    ScriptedPeer peer;
    // The body arrives in pieces that do not match the blocks.
    peer.ExpectLine().ExpectLine().ExpectLine().Send("HTTP/1.0 200 OK\r\nServer: test\r\n\r\n");
    peer.Send(body.substr(0, 700)).Pause(50).Send(body.substr(700, 1500)).Pause(50);
    peer.Send(body.substr(2200)).Close();
    peer.Start();
    TempFolder folder;
    RecordingProcessInterface iface;

    EXPECT_EQ(HttpDownloadToFile(iface, "http://" + peer.hostText() + "/f", folder.File("f")),
              LPROCESS_OK);
    EXPECT_EQ(ReadWholeFile(folder.File("f")), body);
    // 1028 + 1028 + 944: one update per block, the short last block included.
    EXPECT_EQ(iface.progress.size(), 3u);
}

TEST(HttpDownloadToFile, AnEmptyAnnouncedBodyGivesAnEmptyFile) {
    ScriptedPeer peer;
    AnswerOneRequest(peer, "http/1.1 204 No Content\r\nContent-Length: 0\r\n\r\n");
    peer.HoldOpen();
    peer.Start();
    TempFolder folder;
    RecordingProcessInterface iface;

    EXPECT_EQ(HttpDownloadToFile(iface, "http://" + peer.hostText() + "/f", folder.File("f")),
              LPROCESS_OK);
    EXPECT_TRUE(FileExists(folder.File("f")));
    EXPECT_EQ(ReadWholeFile(folder.File("f")), "");
}

TEST(HttpDownloadToFile, ABodyShorterThanAnnouncedFailsAndLeavesNoFile) {
    ScriptedPeer peer;
    AnswerOneRequest(peer, "HTTP/1.0 200 OK\r\nContent-Length: 5000\r\n\r\n" + Body(2000));
    peer.Close();
    peer.Start();
    TempFolder folder;
    RecordingProcessInterface iface;

    EXPECT_EQ(HttpDownloadToFile(iface, "http://" + peer.hostText() + "/f", folder.File("f")),
              LPROCESS_FAILED);
    EXPECT_FALSE(FileExists(folder.File("f")));
}

TEST(HttpDownloadToFile, ARedirectFailsWithoutAFileOrASecondRequest) {
    PythonHttpServer target;
    std::string why;
    ASSERT_TRUE(target.Start(&why)) << why;
    ASSERT_TRUE(target.Serve("f", "the moved file"));
    ScriptedPeer peer;
    AnswerOneRequest(peer, "HTTP/1.0 302 Found\r\nLocation: " + target.Url("/f") +
                               "\r\nContent-Length: 5\r\n\r\nmoved");
    peer.Start();
    TempFolder folder;
    RecordingProcessInterface iface;

    EXPECT_EQ(HttpDownloadToFile(iface, "http://" + peer.hostText() + "/f", folder.File("f")),
              LPROCESS_FAILED);
    EXPECT_FALSE(FileExists(folder.File("f")));
    EXPECT_TRUE(target.Requests().empty());
}

TEST(HttpDownloadToFile, ANotFoundFailsWithoutAFileAfterOneRequest) {
    PythonHttpServer server;
    std::string why;
    ASSERT_TRUE(server.Start(&why)) << why;
    TempFolder folder;
    RecordingProcessInterface iface;

    EXPECT_EQ(HttpDownloadToFile(iface, server.Url("/missing.zip"), folder.File("f")),
              LPROCESS_FAILED);
    EXPECT_FALSE(FileExists(folder.File("f")));
    EXPECT_EQ(server.Requests(), std::vector<std::string>{"GET /missing.zip HTTP/1.0"});
}

TEST(HttpDownloadToFile, DownloadsAFileFromARealServer) {
    PythonHttpServer server;
    std::string why;
    ASSERT_TRUE(server.Start(&why)) << why;
    std::string body = Body(100000);
    ASSERT_TRUE(server.Serve("components/mac/big.zip", body));
    TempFolder folder;
    RecordingProcessInterface iface;

    EXPECT_EQ(
        HttpDownloadToFile(iface, server.Url("/components/mac/big.zip"), folder.File("big.zip")),
        LPROCESS_OK);
    EXPECT_EQ(ReadWholeFile(folder.File("big.zip")), body);
    ASSERT_FALSE(iface.progress.empty());
    EXPECT_DOUBLE_EQ(iface.progress.back(), 1.0);
}

TEST(HttpDownloadToFile, ACancelDuringTheBodyDeletesTheFile) {
    ScriptedPeer peer;
    AnswerOneRequest(peer, "HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n" + Body(2056));
    peer.HoldOpen();
    peer.Start();
    TempFolder folder;
    RecordingProcessInterface iface;
    iface.StopAfter(std::chrono::milliseconds(400));

    EXPECT_EQ(HttpDownloadToFile(iface, "http://" + peer.hostText() + "/f", folder.File("f")),
              LPROCESS_STOPPED);
    EXPECT_FALSE(FileExists(folder.File("f")));
}

TEST(HttpDownloadToFile, AReplyThatIsNotHttpFailsWithoutAFile) {
    ScriptedPeer peer;
    AnswerOneRequest(peer, "SSH-2.0-OpenSSH_9.2\r\n\r\nwhatever");
    peer.Start();
    TempFolder folder;
    RecordingProcessInterface iface;

    EXPECT_EQ(HttpDownloadToFile(iface, "http://" + peer.hostText() + "/f", folder.File("f")),
              LPROCESS_FAILED);
    EXPECT_FALSE(FileExists(folder.File("f")));
}

TEST(HttpDownloadToFile, AnUnreachableServerFailsWithoutAFile) {
    RefusingPort port;
    TempFolder folder;
    RecordingProcessInterface iface;

    EXPECT_EQ(HttpDownloadToFile(iface, "http://" + port.hostText() + "/f", folder.File("f")),
              LPROCESS_FAILED);
    EXPECT_FALSE(FileExists(folder.File("f")));
}

TEST(HttpDownloadToFile, FailsWhenTheFileCannotBeCreated) {
    ScriptedPeer peer;
    AnswerOneRequest(peer, "HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nabc");
    peer.Start();
    TempFolder folder;
    RecordingProcessInterface iface;

    EXPECT_EQ(HttpDownloadToFile(iface, "http://" + peer.hostText() + "/f",
                                 folder.File("no-such-folder/f")),
              LPROCESS_FAILED);
}

TEST(HttpGet, ReturnsTheWholeRawResponse) {
    PythonHttpServer server;
    std::string why;
    ASSERT_TRUE(server.Start(&why)) << why;
    ASSERT_TRUE(server.Serve("versions/v.txt", "version=2.13&info=http://x/"));
    LProcessInterfaceVoidInstance iface;
    std::string response;

    EXPECT_EQ(HttpGet(iface, server.Url("/versions/v.txt"), response, 2048, 5000), LPROCESS_OK);
    EXPECT_EQ(response.rfind("HTTP/1.0 200 OK\r\n", 0), 0u) << response;
    EXPECT_NE(response.find("\r\nContent-Length: 27\r\n"), std::string::npos) << response;
    EXPECT_EQ(response.substr(response.size() - 27), "version=2.13&info=http://x/");
}

TEST(HttpGet, KeepsOneByteLessThanTheBufferSize) {
    ScriptedPeer peer;
    AnswerOneRequest(peer, "HTTP/1.0 200 OK\r\n\r\n" + Body(500));
    peer.HoldOpen();
    peer.Start();
    LProcessInterfaceVoidInstance iface;
    std::string response;

    // A full buffer ends the reading even though the server keeps the connection open.
    EXPECT_EQ(HttpGet(iface, "http://" + peer.hostText() + "/v", response, 100, 5000), LPROCESS_OK);
    EXPECT_EQ(response, ("HTTP/1.0 200 OK\r\n\r\n" + Body(500)).substr(0, 99));
}

TEST(HttpGet, LeavesAnEmptyResponseWhenItCannotConnect) {
    RefusingPort port;
    LProcessInterfaceVoidInstance iface;
    std::string response = "old";

    EXPECT_EQ(HttpGet(iface, "http://" + port.hostText() + "/v", response, 2048, 5000),
              LPROCESS_FAILED);
    EXPECT_EQ(response, "");
}

TEST(HttpGet, ACancelWhileWaitingForTheReplyReturnsCancelled) {
    ScriptedPeer peer;
    peer.ExpectLine().ExpectLine().ExpectLine().HoldOpen();
    peer.Start();
    RecordingProcessInterface iface;
    iface.StopAfter(std::chrono::milliseconds(300));
    std::string response;

    EXPECT_EQ(HttpGet(iface, "http://" + peer.hostText() + "/v", response, 2048, 60000),
              LPROCESS_STOPPED);
}

}  // namespace
