#include "net/line_reader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "servers/scripted_peer.h"
#include "support/elapsed.h"
#include "support/scripted_ui.h"

namespace {

using Clock = std::chrono::steady_clock;

// Connects a secure socket (plain, no TLS) to the peer after starting its script.
void ConnectTo(ScriptedPeer& peer, LSecureSocket& socket) {
    peer.Start();
    LProcessInterfaceVoidInstance iface;
    ASSERT_EQ(SecureConnect(iface, socket, peer.address(), 2000), LPROCESS_OK);
}

TEST(ReadLine, FailsAfterItsTimeOutWhenThePeerNeverSends) {
    ScriptedPeer peer;
    peer.HoldOpen();
    LSecureSocket socket;
    ConnectTo(peer, socket);
    LProcessInterfaceVoidInstance iface;
    std::string line;
    auto start = Clock::now();
    EXPECT_EQ(ReadLine(iface, socket, line, 1000), LPROCESS_FAILED);
    double elapsed = SecondsSince(start);
    EXPECT_GE(elapsed, 0.9);
    EXPECT_LT(elapsed, 3.0);
}

TEST(ReadLine, CancelDuringTheWaitReturnsStoppedWithinASlice) {
    ScriptedPeer peer;
    peer.HoldOpen();
    LSecureSocket socket;
    ConnectTo(peer, socket);
    RecordingProcessInterface iface;
    iface.StopAfter(std::chrono::milliseconds(300));
    auto stopAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    std::string line;
    EXPECT_EQ(ReadLine(iface, socket, line, 60000), LPROCESS_STOPPED);
    EXPECT_LT(SecondsSince(stopAt), 1.5);
}

struct LineCase {
    const char* name;
    std::string sent;
    std::vector<std::string> lines;
};

void PrintTo(const LineCase& c, std::ostream* os) {
    *os << c.name;
}

class ReadLineShapes : public testing::TestWithParam<LineCase> {};

TEST_P(ReadLineShapes, YieldsTheExpectedLines) {
    const LineCase& c = GetParam();
    ScriptedPeer peer;
    peer.Send(c.sent).HoldOpen();
    LSecureSocket socket;
    ConnectTo(peer, socket);
    LProcessInterfaceVoidInstance iface;
    for (const std::string& expected : c.lines) {
        std::string line;
        ASSERT_EQ(ReadLine(iface, socket, line, 2000), LPROCESS_OK);
        EXPECT_EQ(line, expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ReadLineShapes,
    testing::Values(LineCase{"CrLf", "220 Ready\r\n", {"220 Ready"}},
                    LineCase{"LfOnly", "220 Ready\n", {"220 Ready"}},
                    LineCase{"LongLineKeepsItsFirst259AndTheNextReadStartsAtTheNextLine",
                             std::string(300, 'a') + "\r\nnext\r\n",
                             {std::string(259, 'a'), "next"}},
                    LineCase{"CrLastInAChunkIsDropped",
                             std::string(47, 'x') + "\ryz\r\n",
                             {std::string(47, 'x') + "yz"}},
                    LineCase{"CrLfSplitAcrossChunks",
                             std::string(47, 'x') + "\r\nafter\r\n",
                             {std::string(47, 'x'), "after"}},
                    LineCase{"EmptyLine", "\r\n220 x\r\n", {"", "220 x"}}),
    [](const testing::TestParamInfo<LineCase>& info) { return info.param.name; });

TEST(ReadLine, PeerClosingMidLineDeliversThePartialLine) {
    ScriptedPeer peer;
    peer.Send("220 partial").Close();
    LSecureSocket socket;
    ConnectTo(peer, socket);
    peer.Wait();
    LProcessInterfaceVoidInstance iface;
    std::string line;
    EXPECT_EQ(ReadLine(iface, socket, line, 2000), LPROCESS_OK);
    EXPECT_EQ(line, "220 partial");
}

TEST(ReadLine, PeerClosingBeforeAnyByteFails) {
    ScriptedPeer peer;
    peer.Close();
    LSecureSocket socket;
    ConnectTo(peer, socket);
    peer.Wait();
    LProcessInterfaceVoidInstance iface;
    std::string line;
    EXPECT_EQ(ReadLine(iface, socket, line, 2000), LPROCESS_FAILED);
}

TEST(ReadLine, LeavesTheSecondLineOfOneSegmentInTheSocket) {
    const std::string second = "221 Goodbye\r\n";
    ScriptedPeer peer;
    peer.Send("200 First\r\n" + second).HoldOpen();
    LSecureSocket socket;
    ConnectTo(peer, socket);
    LProcessInterfaceVoidInstance iface;
    std::string line;
    ASSERT_EQ(ReadLine(iface, socket, line, 2000), LPROCESS_OK);
    EXPECT_EQ(line, "200 First");
    EXPECT_EQ(SecureBytesAvailable(socket), second.size());
}

TEST(ReadLineGrowing, KeepsALongLineWhole) {
    const std::string text(5000, 'g');
    ScriptedPeer peer;
    peer.Send(text + "\r\n").HoldOpen();
    LSecureSocket socket;
    ConnectTo(peer, socket);
    LProcessInterfaceVoidInstance iface;
    std::string line;
    ASSERT_EQ(ReadLineGrowing(iface, socket, line, 2000), LPROCESS_OK);
    EXPECT_EQ(line, text);
}

TEST(SecurePeekUntil, TakesBytesUpToTheFirstDelimiterOnly) {
    ScriptedPeer peer;
    peer.Send("abc;def").HoldOpen();
    LSecureSocket socket;
    ConnectTo(peer, socket);
    LProcessInterfaceVoidInstance iface;
    char buffer[48];
    std::size_t count = 0;
    // Wait until all seven bytes are there, so the peek sees the delimiter.
    for (int i = 0; i < 100 && SecureBytesAvailable(socket) < 7; ++i) {
        iface.Sleep(10);
    }
    ASSERT_EQ(SecurePeekUntil(iface, socket, buffer, sizeof buffer, count, ";", 2000), LPROCESS_OK);
    EXPECT_EQ(std::string(buffer, count), "abc;");
    EXPECT_EQ(SecureBytesAvailable(socket), 3u);
}

}  // namespace
