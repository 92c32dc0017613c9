// PWD, CWD and the change-directory step against a scripted server.
#include "ftp/current_directory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ftp/ftp_test_support.h"
#include "support/scripted_ui.h"

namespace {

struct PwdCase {
    const char* name;
    std::string reply;
    bool ok;
    std::string path;
};

TEST(FtpGetCurrentDirectory, TakesThePathBetweenTheFirstQuotes) {
    const PwdCase cases[] = {
        {"usual", "257 \"/home/user\" is the current directory.\r\n", true, "/home/user"},
        // Doubled quotes are not undone: the path ends at the first inner quote.
        {"doubled quotes", "257 \"/a \"\"b\"\"\" is current\r\n", true, "/a "},
        {"no quote", "257 /home/user is current\r\n", true, ""},
        {"no closing quote", "257 \"/open ended\r\n", true, "/open ended"},
        {"other 2xx code", "250 \"/x\"\r\n", true, "/x"},
        {"multi-line", "257-Some words\r\n257 \"/m\"\r\n", true, "/m"},
        {"positive but not 2xx", "350 \"/x\"\r\n", false, ""},
        {"refused", "550 No directory.\r\n", false, ""},
    };
    for (const PwdCase& c : cases) {
        SCOPED_TRACE(c.name);
        PeerSession session;
        session.peer.ExpectLine().Send(c.reply).HoldOpen();
        ASSERT_TRUE(session.Connect());
        RecordingProcessInterface iface;
        std::string path = "stale";
        EXPECT_EQ(FtpGetCurrentDirectory(iface, session.connection, path),
                  c.ok ? LPROCESS_OK : LPROCESS_FAILED);
        EXPECT_EQ(path, c.path);
        EXPECT_EQ(session.peer.ReceivedLines(), std::vector<std::string>{"PWD"});
        EXPECT_TRUE(iface.errors.empty());
    }
}

TEST(FtpGetCurrentDirectoryQuiet, TellsSuccessAsABool) {
    PeerSession session;
    session.peer.ExpectLine().Send("257 \"/q\"\r\n").ExpectLine().Send("550 No.\r\n").HoldOpen();
    ASSERT_TRUE(session.Connect());
    std::string path;
    EXPECT_TRUE(FtpGetCurrentDirectoryQuiet(session.connection, path));
    EXPECT_EQ(path, "/q");
    EXPECT_FALSE(FtpGetCurrentDirectoryQuiet(session.connection, path));
}

TEST(FtpChangeDirectory, SendsThePathAsItIs) {
    PeerSession session;
    session.peer.ExpectLine()
        .Send("250 OK.\r\n")
        .ExpectLine()
        .Send("550 No such directory.\r\n")
        .ExpectLine()
        .Send("250 OK.\r\n")
        .HoldOpen();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    EXPECT_EQ(FtpChangeDirectory(iface, session.connection, "../a dir/\"q\""), LPROCESS_OK);
    EXPECT_EQ(FtpChangeDirectory(iface, session.connection, "missing"), LPROCESS_FAILED);
    EXPECT_TRUE(FtpChangeDirectoryQuiet(session.connection, "/abs"));
    EXPECT_EQ(session.peer.ReceivedLines(),
              (std::vector<std::string>{"CWD ../a dir/\"q\"", "CWD missing", "CWD /abs"}));
}

TEST(FtpChangeDirectoryStep, ReplacesTheDirectoryWithTheServersAnswer) {
    PeerSession session;
    session.peer.ExpectLine()
        .Send("250 OK.\r\n")
        .ExpectLine()
        .Send("257 \"/home/sub\" is current.\r\n")
        .HoldOpen();
    ASSERT_TRUE(session.Connect());
    RecordingProcessInterface iface;
    std::string directory = "sub";
    EXPECT_EQ(FtpChangeDirectoryStep(iface, session.connection, directory), LPROCESS_OK);
    EXPECT_EQ(directory, "/home/sub");
    EXPECT_EQ(session.peer.ReceivedLines(), (std::vector<std::string>{"CWD sub", "PWD"}));
    EXPECT_EQ(iface.TextsOnLine(0), std::vector<std::string>{"Changing directory..."});
    EXPECT_TRUE(iface.errors.empty());
}

TEST(FtpChangeDirectoryStep, OnlyAsksWhereItIsWhenNoDirectoryIsGiven) {
    PeerSession session;
    session.peer.ExpectLine().Send("257 \"/start\"\r\n").HoldOpen();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    std::string directory;
    EXPECT_EQ(FtpChangeDirectoryStep(iface, session.connection, directory), LPROCESS_OK);
    EXPECT_EQ(directory, "/start");
    EXPECT_EQ(session.peer.ReceivedLines(), std::vector<std::string>{"PWD"});
}

TEST(FtpChangeDirectoryStep, ReportsARefusedChangeAndAsksNothingMore) {
    PeerSession session;
    session.peer.ExpectLine().Send("550 No such directory.\r\n").ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    RecordingProcessInterface iface;
    std::string directory = "missing";
    EXPECT_EQ(FtpChangeDirectoryStep(iface, session.connection, directory), LPROCESS_FAILED);
    EXPECT_EQ(directory, "missing");
    EXPECT_EQ(iface.errors, std::vector<std::string>{"Unable to change to the directory."});
    EXPECT_EQ(session.BytesSentAfterScript(), "");
}

TEST(FtpChangeDirectoryStep, KeepsTheDirectoryWhenPwdFails) {
    PeerSession session;
    session.peer.ExpectLine().Send("250 OK.\r\n").ExpectLine().Send("500 No PWD.\r\n").HoldOpen();
    ASSERT_TRUE(session.Connect());
    RecordingProcessInterface iface;
    std::string directory = "sub";
    EXPECT_EQ(FtpChangeDirectoryStep(iface, session.connection, directory), LPROCESS_FAILED);
    EXPECT_EQ(directory, "sub");
    EXPECT_TRUE(iface.errors.empty());
}

TEST(FtpChangeDirectoryStep, ReportsNothingWhenCancelled) {
    PeerSession session;
    session.peer.ExpectLine().HoldOpen();
    ASSERT_TRUE(session.Connect());
    RecordingProcessInterface iface;
    iface.StopAfter(std::chrono::milliseconds(300));
    std::string directory = "slow";
    EXPECT_EQ(FtpChangeDirectoryStep(iface, session.connection, directory), LPROCESS_STOPPED);
    EXPECT_TRUE(iface.errors.empty());
    EXPECT_EQ(directory, "slow");
}

}  // namespace
