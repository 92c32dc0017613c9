// The PASV exchange and the generic data command, with a second scripted peer as the data side.
#include "ftp/passive.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ftp/ftp_test_support.h"
#include "support/scripted_ui.h"

namespace {

struct PassiveCase {
    const char* name;
    std::string text;
    bool ok;
    std::string address;
};

TEST(ParsePassiveReplyText, ReadsTheSixNumbersAfterTheParenthesis) {
    const PassiveCase cases[] = {
        {"usual", "Entering Passive Mode (192,168,1,10,19,137)", true, "192.168.1.10:5001"},
        {"trailing dot", "Entering Passive Mode (127,0,0,1,0,21).", true, "127.0.0.1:21"},
        {"no parentheses", "Entering Passive Mode 10,0,0,1,4,1", false, ""},
        {"five numbers", "Entering Passive Mode (10,0,0,1,4)", false, ""},
        {"no numbers", "Entering Passive Mode ()", false, ""},
        {"spaces as atoi skips them", "=( 10, 0, 0, 1, 4, 1)", true, "10.0.0.1:1025"},
        {"no range checks", "(300,0,0,1,256,1)", true, "300.0.0.1:65537"},
        {"not numbers", "(a,b,c,d,e,f)", true, "0.0.0.0:0"},
        {"extra number ignored", "(1,2,3,4,5,6,7)", true, "1.2.3.4:1286"},
        {"empty", "", false, ""},
    };
    for (const PassiveCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string address;
        EXPECT_EQ(ParsePassiveReplyText(c.text, address), c.ok);
        if (c.ok) {
            EXPECT_EQ(address, c.address);
        }
    }
}

struct PasvReplyCase {
    const char* name;
    std::string reply;
    bool ok;
    std::string address;
};

TEST(FtpPassive, AcceptsOnlyA227ReplyThatParses) {
    const PasvReplyCase cases[] = {
        {"usual", "227 Entering Passive Mode (192,168,1,10,19,137)\r\n", true, "192.168.1.10:5001"},
        {"multi-line", "227-Here:\r\n227 Entering Passive Mode (10,0,0,2,0,20)\r\n", true,
         "10.0.0.2:20"},
        {"no parentheses", "227 Entering Passive Mode 10,0,0,1,4,1\r\n", false, ""},
        {"five numbers", "227 Entering Passive Mode (10,0,0,1,4)\r\n", false, ""},
        {"positive but not 227", "200 Entering Passive Mode (10,0,0,1,4,1)\r\n", false, ""},
        {"refused", "500 PASV not allowed.\r\n", false, ""},
    };
    for (const PasvReplyCase& c : cases) {
        SCOPED_TRACE(c.name);
        PeerSession session;
        session.peer.ExpectLine().Send(c.reply).HoldOpen();
        ASSERT_TRUE(session.Connect());
        RecordingProcessInterface iface;
        std::string address = "stale";
        EXPECT_EQ(FtpPassive(iface, session.connection, address),
                  c.ok ? LPROCESS_OK : LPROCESS_FAILED);
        EXPECT_EQ(address, c.address);
        EXPECT_EQ(session.peer.ReceivedLines(), std::vector<std::string>{"PASV"});
        EXPECT_TRUE(iface.errors.empty());
    }
}

// 600 bytes of listing lines; line ends fall anywhere relative to the pieces.
std::string ListingOf600Bytes() {
    std::string data;
    for (int i = 0; data.size() < 600; ++i) {
        data += "-rw-r--r-- 1 ftp ftp 12 Jan  1 00:00 file" + std::to_string(i) + ".txt\r\n";
    }
    return data.substr(0, 600);
}

// A control peer that answers TYPE A, points PASV at the data peer and answers the command.
void ScriptDataCommand(ScriptedPeer& control, const ScriptedPeer& data,
                       const std::string& commandReply) {
    control.ExpectLine()
        .Send("200 Type set to A.\r\n")
        .ExpectLine()
        .Send(PassiveReplyFor(data.port()))
        .ExpectLine()
        .Send(commandReply)
        .HoldOpen();
}

TEST(FtpDataCommand, StoresWhatEachReceiveDelivered) {
    const std::string listing = ListingOf600Bytes();
    ScriptedPeer data;
    data.Send(listing.substr(0, 259))
        .Pause(100)
        .Send(listing.substr(259, 259))
        .Pause(100)
        .Send(listing.substr(518));
    data.Start();
    PeerSession session;
    // The final reply comes with the preliminary one, before the data has been drained.
    ScriptDataCommand(session.peer, data, "150 Here it comes.\r\n226 Transfer complete.\r\n");
    ASSERT_TRUE(session.Connect());
    RecordingProcessInterface iface;
    std::vector<std::string> pieces = {"stale"};
    EXPECT_EQ(FtpDataCommand(iface, session.connection, "LIST file*\r\n", pieces), LPROCESS_OK);
    EXPECT_EQ(pieces, (std::vector<std::string>{listing.substr(0, 259), listing.substr(259, 259),
                                                listing.substr(518)}));
    EXPECT_EQ(session.peer.ReceivedLines(),
              (std::vector<std::string>{"TYPE A", "PASV", "LIST file*"}));
    EXPECT_TRUE(iface.errors.empty());
}

TEST(FtpDataCommand, CutsWhatArrivesAtOnceInto259BytePieces) {
    const std::string listing = ListingOf600Bytes();
    ScriptedPeer data;
    data.Send(listing);
    data.Start();
    PeerSession session;
    ScriptDataCommand(session.peer, data, "150 Here it comes.\r\n226 Transfer complete.\r\n");
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    std::vector<std::string> pieces;
    EXPECT_EQ(FtpDataCommand(iface, session.connection, "LIST\r\n", pieces), LPROCESS_OK);
    std::string joined;
    for (const std::string& piece : pieces) {
        EXPECT_LE(piece.size(), 259u);
        joined += piece;
    }
    EXPECT_EQ(joined, listing);
}

TEST(FtpDataCommand, IsOkWithNoDataAtAll) {
    ScriptedPeer data;
    data.Close();
    data.Start();
    PeerSession session;
    ScriptDataCommand(session.peer, data, "150 Here it comes.\r\n226 Nothing.\r\n");
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    std::vector<std::string> pieces = {"stale"};
    EXPECT_EQ(FtpDataCommand(iface, session.connection, "LIST x*\r\n", pieces), LPROCESS_OK);
    EXPECT_TRUE(pieces.empty());
}

TEST(FtpDataCommand, LetsTheFinalReplyDecide) {
    ScriptedPeer data;
    data.Send("partial").Close();
    data.Start();
    PeerSession session;
    ScriptDataCommand(session.peer, data, "150 Here it comes.\r\n451 Aborted.\r\n");
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    std::vector<std::string> pieces;
    EXPECT_EQ(FtpDataCommand(iface, session.connection, "LIST\r\n", pieces), LPROCESS_FAILED);
}

TEST(FtpDataCommand, FailsWhenTheCommandIsNotAnsweredWithAPreliminaryReply) {
    for (const char* reply : {"550 No such file.\r\n", "226 Done already.\r\n"}) {
        SCOPED_TRACE(reply);
        ScriptedPeer data;
        data.ReceiveUntilClosed();
        data.Start();
        PeerSession session;
        ScriptDataCommand(session.peer, data, reply);
        ASSERT_TRUE(session.Connect());
        LProcessInterfaceVoidInstance iface;
        std::vector<std::string> pieces;
        EXPECT_EQ(FtpDataCommand(iface, session.connection, "LIST x*\r\n", pieces),
                  LPROCESS_FAILED);
        EXPECT_TRUE(pieces.empty());
        // The data connection was closed on the way out.
        data.Wait();
    }
}

TEST(FtpDataCommand, StopsAtARefusedType) {
    PeerSession session;
    session.peer.ExpectLine().Send("504 Not that type.\r\n").ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    std::vector<std::string> pieces;
    EXPECT_EQ(FtpDataCommand(iface, session.connection, "LIST\r\n", pieces), LPROCESS_FAILED);
    EXPECT_EQ(session.SentCommands(), std::vector<std::string>{"TYPE A"});
}

TEST(FtpDataCommand, FailsWhenTheDataConnectionIsRefused) {
    std::uint16_t freePort = 0;
    {
        ScriptedPeer gone;
        freePort = gone.port();
    }
    PeerSession session;
    // A refused connect may only show once the command is sent; the server then says so.
    session.peer.ExpectLine()
        .Send("200 Type set to A.\r\n")
        .ExpectLine()
        .Send(PassiveReplyFor(freePort))
        .ExpectLine()
        .Send("425 Can't open data connection.\r\n")
        .HoldOpen();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    std::vector<std::string> pieces;
    EXPECT_EQ(FtpDataCommand(iface, session.connection, "LIST\r\n", pieces), LPROCESS_FAILED);
    EXPECT_TRUE(pieces.empty());
}

TEST(FtpDataCommand, ClosesTheDataConnectionWhenCancelled) {
    ScriptedPeer data;
    data.Send("some data").ReceiveUntilClosed();  // then silence until the client closes
    data.Start();
    PeerSession session;
    ScriptDataCommand(session.peer, data, "150 Here it comes.\r\n");
    ASSERT_TRUE(session.Connect());
    RecordingProcessInterface iface;
    iface.StopAfter(std::chrono::milliseconds(500));
    std::vector<std::string> pieces;
    EXPECT_EQ(FtpDataCommand(iface, session.connection, "LIST\r\n", pieces), LPROCESS_STOPPED);
    data.Wait();
    EXPECT_EQ(data.ReceivedBytes(), "");
}

}  // namespace
