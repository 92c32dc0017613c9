// The command/reply exchange of the control connection against a scripted server.
#include "ftp/control_channel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ftp/ftp_test_support.h"
#include "support/scripted_ui.h"

namespace {

struct ReplyCase {
    const char* name;
    std::string reply;  // everything the server sends for the command
    int code;
    std::string text;
    bool ok;
};

TEST(FtpCommand, ReadsEachShapeOfReply) {
    const ReplyCase cases[] = {
        {"multi-line", "230-Welcome\r\n230 Logged in\r\n", 230, "Logged in", true},
        {"continuation starting with a space", "220-Hello\r\n more about us\r\n220 Ready\r\n", 220,
         "Ready", true},
        {"empty continuation line", "200-First\r\n\r\n200 Last\r\n", 200, "Last", true},
        {"several dash lines", "211-One\r\n211-Two\r\n211 Three\r\n", 211, "Three", true},
        // The end of a reply is told by the shape of a line alone, not by its code.
        {"other code ends it", "220-Hello\r\n221 Bye\r\n", 221, "Bye", true},
        {"dash line of another code", "230-a\r\n150-b\r\n230 c\r\n", 230, "c", true},
        {"continuation without code", "220-Hello\r\nWelcome\r\n", 0, "ome", false},
        {"three digits only", "226\r\n", 226, "", true},
        {"code and separator only", "226 \r\n", 226, "", true},
        {"short line", "2\r\n", 2, "", false},
        {"preliminary", "150 Opening data connection\r\n", 150, "Opening data connection", false},
        {"lowest positive", "200 OK\r\n", 200, "OK", true},
        {"highest positive", "399 Odd\r\n", 399, "Odd", true},
        {"just below", "199 Odd\r\n", 199, "Odd", false},
        {"just above", "400 Busy\r\n", 400, "Busy", false},
        {"permanent failure", "550 No such file\r\n", 550, "No such file", false},
    };
    for (const ReplyCase& c : cases) {
        SCOPED_TRACE(c.name);
        PeerSession session;
        session.peer.ExpectLine().Send(c.reply).ReceiveUntilClosed();
        ASSERT_TRUE(session.Connect());
        LProcessInterfaceVoidInstance iface;
        int code = -1;
        std::string text = "stale";
        EXPECT_EQ(FtpCommand(iface, session.connection, "PWD\r\n", &code, &text),
                  c.ok ? LPROCESS_OK : LPROCESS_FAILED);
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(session.SentCommands(), std::vector<std::string>{"PWD"});
    }
}

TEST(FtpReadReply, LeavesTheNextReplyInTheConnection) {
    PeerSession session;
    session.peer.Send("230-Welcome\r\n230 Logged in\r\n200 Next one\r\n").HoldOpen();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    int code = 0;
    std::string text;
    ASSERT_EQ(FtpReadReply(iface, session.connection, code, text), LPROCESS_OK);
    EXPECT_EQ(code, 230);
    EXPECT_EQ(text, "Logged in");
    ASSERT_EQ(FtpReadReply(iface, session.connection, code, text), LPROCESS_OK);
    EXPECT_EQ(code, 200);
    EXPECT_EQ(text, "Next one");
}

TEST(FtpReadReply, KeepsAt255BytesOfTheText) {
    PeerSession session;
    session.peer.Send("200 " + std::string(300, 'x') + "\r\n200 After\r\n").HoldOpen();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    int code = 0;
    std::string text;
    ASSERT_EQ(FtpReadReply(iface, session.connection, code, text), LPROCESS_OK);
    EXPECT_EQ(code, 200);
    EXPECT_EQ(text, std::string(kReplyTextLimit, 'x'));
    // The rest of the long line is not taken for the next reply.
    ASSERT_EQ(FtpReadReply(iface, session.connection, code, text), LPROCESS_OK);
    EXPECT_EQ(text, "After");
}

TEST(FtpReadReply, FailsAndClosesTheSessionWhenTheServerHangsUp) {
    PeerSession session;
    session.peer.Close();
    ASSERT_TRUE(session.Connect());
    session.peer.Wait();
    LProcessInterfaceVoidInstance iface;
    int code = 7;
    std::string text = "stale";
    EXPECT_EQ(FtpReadReply(iface, session.connection, code, text), LPROCESS_FAILED);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(text, "");
    EXPECT_EQ(session.connection.fd, -1);
}

TEST(FtpReadReply, ReturnsCancelledWhenStoppedWhileTheServerIsSilent) {
    PeerSession session;
    session.peer.HoldOpen();
    ASSERT_TRUE(session.Connect());
    RecordingProcessInterface iface;
    iface.StopAfter(std::chrono::milliseconds(200));
    int code = 0;
    std::string text;
    EXPECT_EQ(FtpReadReply(iface, session.connection, code, text), LPROCESS_STOPPED);
}

TEST(FtpCommand, FailsAtOnceOnAClosedConnection) {
    LSecureSocket closed;
    LProcessInterfaceVoidInstance iface;
    EXPECT_EQ(FtpCommand(iface, closed, "PWD\r\n"), LPROCESS_FAILED);
    EXPECT_EQ(FtpCommandQuick(iface, closed, "PASS x\r\n"), LPROCESS_FAILED);
}

TEST(FtpCommandQuick, SendsTheLineAndJudgesTheReplyLikeFtpCommand) {
    PeerSession session;
    session.peer.ExpectLine().Send("230 In\r\n").ExpectLine().Send("530 Out\r\n").HoldOpen();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    int code = 0;
    std::string text;
    EXPECT_EQ(FtpCommandQuick(iface, session.connection, "PASS one\r\n", &code, &text),
              LPROCESS_OK);
    EXPECT_EQ(code, 230);
    EXPECT_EQ(FtpCommandQuick(iface, session.connection, "PASS two\r\n", &code, &text),
              LPROCESS_FAILED);
    EXPECT_EQ(code, 530);
    EXPECT_EQ(text, "Out");
    EXPECT_EQ(session.peer.ReceivedLines(), (std::vector<std::string>{"PASS one", "PASS two"}));
}

struct LinesCase {
    const char* name;
    std::string reply;
    std::vector<std::string> lines;
    bool ok;
};

TEST(FtpCommandLines, CollectsTheFirstLineAndTheContinuationLines) {
    const LinesCase cases[] = {
        {"features",
         "211-Features:\r\n SIZE\r\n MDTM\r\n211 End\r\n",
         {"211-Features:", "SIZE", "MDTM"},
         true},
        {"negative single line", "500 Unknown command.\r\n", {"500 Unknown command."}, false},
        {"positive single line", "211 No features\r\n", {"211 No features"}, true},
        {"empty lines skipped",
         "211-Features:\r\n\r\n SIZE  \r\n\r\n211 End\r\n",
         {"211-Features:", "SIZE"},
         true},
        {"fact line",
         "250-Listing /a\r\n type=file;size=5; a\r\n250 End\r\n",
         {"250-Listing /a", "type=file;size=5; a"},
         true},
        // Only the first line's code followed by a space ends the reply.
        {"other codes are kept",
         "211-Features:\r\n 211-x\r\n200 y\r\n211 End\r\n",
         {"211-Features:", "211-x", "200 y"},
         true},
        {"empty line before the first", "\r\n211 End\r\n", {}, false},
    };
    for (const LinesCase& c : cases) {
        SCOPED_TRACE(c.name);
        PeerSession session;
        session.peer.ExpectLine().Send(c.reply).HoldOpen();
        ASSERT_TRUE(session.Connect());
        LProcessInterfaceVoidInstance iface;
        std::vector<std::string> lines = {"stale"};
        EXPECT_EQ(FtpCommandLines(iface, session.connection, "FEAT\r\n", lines),
                  c.ok ? LPROCESS_OK : LPROCESS_FAILED);
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(session.peer.ReceivedLines(), std::vector<std::string>{"FEAT"});
    }
}

TEST(FtpCommandLines, KeepsMoreThanAHundredLines) {
    std::string reply = "211-Features:\r\n";
    std::vector<std::string> expected = {"211-Features:"};
    for (int i = 0; i < 150; ++i) {
        reply += " F" + std::to_string(i) + "\r\n";
        expected.push_back("F" + std::to_string(i));
    }
    reply += "211 End\r\n";
    PeerSession session;
    session.peer.ExpectLine().Send(reply).HoldOpen();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    std::vector<std::string> lines;
    EXPECT_EQ(FtpCommandLines(iface, session.connection, "FEAT\r\n", lines), LPROCESS_OK);
    EXPECT_EQ(lines, expected);
}

TEST(FtpCommandLines, DiscardsTheRestOfANegativeMultiLineReply) {
    PeerSession session;
    session.peer.ExpectLine()
        .Send("500-Oops\r\n more\r\n500 end\r\n")
        .ExpectLine()
        .Send("257 \"/next\"\r\n")
        .HoldOpen();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    std::vector<std::string> lines;
    EXPECT_EQ(FtpCommandLines(iface, session.connection, "MLST x\r\n", lines), LPROCESS_FAILED);
    EXPECT_EQ(lines, std::vector<std::string>{"500-Oops"});
    // The next command reads its own reply, not what was left of the failed one.
    int code = 0;
    std::string text;
    EXPECT_EQ(FtpCommand(iface, session.connection, "PWD\r\n", &code, &text), LPROCESS_OK);
    EXPECT_EQ(code, 257);
    EXPECT_EQ(text, "\"/next\"");
}

TEST(FtpCommandLines, FailsWhenTheServerHangsUpMidReply) {
    PeerSession session;
    session.peer.ExpectLine().Send("211-Features:\r\n SIZE\r\n").Close();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    std::vector<std::string> lines;
    EXPECT_EQ(FtpCommandLines(iface, session.connection, "FEAT\r\n", lines), LPROCESS_FAILED);
}

struct CommandLineCase {
    const char* name;
    std::string verb;
    std::string argument;
    std::size_t bufferSize;
    std::string line;
};

TEST(FtpCommandLine, InsertsTheArgumentAsItIsAndCutsAtTheBuffer) {
    const std::string a253(253, 'a');
    const std::string a254(254, 'a');
    const CommandLineCase cases[] = {
        {"no quoting", "CWD", "/a b/\"c\" %s", kCommandLineSize, "CWD /a b/\"c\" %s\r\n"},
        {"fits exactly", "CWD", a253, kCommandLineSize, "CWD " + a253 + "\r\n"},
        // What snprintf leaves of a line one byte too long: the LF is lost.
        {"one byte too long", "CWD", a254, kCommandLineSize, "CWD " + a254 + "\r"},
        {"far too long", "DELE", std::string(400, 'b'), kCommandLineSize,
         "DELE " + std::string(254, 'b')},
        {"long buffer", "STOR", std::string(400, 'c'), kLongCommandLineSize,
         "STOR " + std::string(274, 'c')},
        {"long buffer fits", "MKD", std::string(100, 'd'), kLongCommandLineSize,
         "MKD " + std::string(100, 'd') + "\r\n"},
    };
    for (const CommandLineCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string line = FtpCommandLine(c.verb, c.argument, c.bufferSize);
        EXPECT_EQ(line, c.line);
        EXPECT_LE(line.size(), c.bufferSize - 1);
    }
}

TEST(FtpQuit, SendsQuitAndClosesTheConnection) {
    PeerSession session;
    session.peer.ExpectLine().Send("221 Goodbye.\r\n").ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    EXPECT_EQ(FtpQuit(iface, session.connection), LPROCESS_OK);
    EXPECT_EQ(session.connection.fd, -1);
    session.peer.Wait();
    EXPECT_EQ(session.peer.ReceivedLines(), std::vector<std::string>{"QUIT"});
    EXPECT_EQ(session.peer.ReceivedBytes(), "");
}

TEST(FtpQuit, LeavesTheSessionClosedWhenTheServerHasAlreadyGone) {
    PeerSession session;
    session.peer.Close();
    ASSERT_TRUE(session.Connect());
    session.peer.Wait();
    LProcessInterfaceVoidInstance iface;
    EXPECT_NE(FtpQuit(iface, session.connection), LPROCESS_OK);
    EXPECT_EQ(session.connection.fd, -1);
    // A closed session makes every further command fail at once.
    EXPECT_EQ(FtpCommand(iface, session.connection, "PWD\r\n"), LPROCESS_FAILED);
}

TEST(FtpQuit, ClosesTheConnectionWhenQuitIsRefused) {
    PeerSession session;
    session.peer.ExpectLine().Send("500 No.\r\n").ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    EXPECT_EQ(FtpQuit(iface, session.connection), LPROCESS_FAILED);
    EXPECT_EQ(session.connection.fd, -1);
}

TEST(FtpDisconnect, ClosesWithoutSendingAnything) {
    PeerSession session;
    session.peer.ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    EXPECT_EQ(FtpDisconnect(iface, session.connection), LPROCESS_OK);
    EXPECT_EQ(session.connection.fd, -1);
    session.peer.Wait();
    EXPECT_EQ(session.peer.ReceivedBytes(), "");
    // Closing a closed connection is fine too.
    EXPECT_EQ(FtpDisconnect(iface, session.connection), LPROCESS_OK);
}

}  // namespace
