// Make and remove directory, delete, rename, delete a tree and the name test against scripted
// servers.
#include "ftp/remote_ops.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ftp/ftp_features.h"
#include "ftp/ftp_test_support.h"
#include "support/scripted_ui.h"

namespace {

using Lines = std::vector<std::string>;

// A session whose features are known already, so a listing sends only TYPE A, PASV and LIST.
// Each scripted listing gets a data peer of its own.
struct ListingSession : PeerSession {
    std::vector<std::unique_ptr<ScriptedPeer>> dataPeers;

    bool Connect() {
        if (!PeerSession::Connect()) {
            return false;
        }
        connection.features = kFeatQueried | kFeatSize;
        for (auto& data : dataPeers) {
            data->Start();
        }
        return true;
    }

    // Answers the next listing with these LIST lines.
    void ScriptListing(const Lines& listLines) {
        auto& data = dataPeers.emplace_back(std::make_unique<ScriptedPeer>());
        std::string bytes;
        for (const std::string& line : listLines) {
            bytes += line + "\r\n";
        }
        data->Send(bytes).Close();
        peer.ExpectLine()
            .Send("200 Type set to A.\r\n")
            .ExpectLine()
            .Send(PassiveReplyFor(data->port()))
            .ExpectLine()
            .Send("150 Here comes the listing.\r\n226 Transfer complete.\r\n");
    }
};

std::string FileLine(const std::string& name) {
    return "-rw-r--r--    1 1000     1000            5 Jan 02 12:00 " + name;
}

std::string FolderLine(const std::string& name) {
    return "drwxr-xr-x    2 1000     1000         4096 Jan 02 12:00 " + name;
}

const Lines kListingCommands = {"TYPE A", "PASV", "LIST"};

Lines Concat(std::initializer_list<Lines> parts) {
    Lines all;
    for (const Lines& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

struct ReplyCase {
    const char* name;
    std::string reply;
    LProcessResult result;
};

TEST(FtpMakeDirectory, AcceptsPositiveRepliesAndAnExistingFolder) {
    const ReplyCase cases[] = {
        {"created", "257 \"/new\" created.\r\n", LPROCESS_OK},
        {"exists already", "521 \"/new\" directory already exists.\r\n", LPROCESS_OK},
        {"intermediate", "350 Go on.\r\n", LPROCESS_OK},
        {"refused", "550 Permission denied.\r\n", LPROCESS_FAILED},
        {"preliminary", "150 Hm.\r\n", LPROCESS_FAILED},
    };
    for (const ReplyCase& c : cases) {
        SCOPED_TRACE(c.name);
        PeerSession session;
        session.peer.ExpectLine().Send(c.reply).HoldOpen();
        ASSERT_TRUE(session.Connect());
        LProcessInterfaceVoidInstance iface;
        EXPECT_EQ(FtpMakeDirectory(iface, session.connection, "new"), c.result);
        EXPECT_EQ(session.peer.ReceivedLines(), Lines{"MKD new"});
    }
}

TEST(FtpMakeDirectory, SendsNothingForTheRootOrAnEmptyPath) {
    for (const std::string path : {"/", ""}) {
        SCOPED_TRACE(path);
        PeerSession session;
        session.peer.ReceiveUntilClosed();
        ASSERT_TRUE(session.Connect());
        LProcessInterfaceVoidInstance iface;
        EXPECT_EQ(FtpMakeDirectory(iface, session.connection, path), LPROCESS_OK);
        EXPECT_TRUE(FtpMakeDirectoryQuiet(session.connection, path));
        EXPECT_EQ(session.BytesSentAfterScript(), "");
    }
}

TEST(FtpMakeDirectory, StoppedSendsNothing) {
    PeerSession session;
    session.peer.ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    RecordingProcessInterface iface;
    iface.RequestStop();
    EXPECT_EQ(FtpMakeDirectory(iface, session.connection, "new"), LPROCESS_STOPPED);
    EXPECT_EQ(session.BytesSentAfterScript(), "");
}

TEST(FtpMakeDirectory, KeepsLongPathsWholeWhereOtherCommandsWouldBeCut) {
    // MKD has the larger command buffer of 280 bytes; RMD's 260 would cut this path, and a cut
    // line is not sent at all.
    const std::string path(270, 'd');
    PeerSession session;
    session.peer.ExpectLine().Send("257 Created.\r\n").ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    EXPECT_TRUE(FtpMakeDirectoryQuiet(session.connection, path));
    EXPECT_EQ(FtpRemoveDirectory(iface, session.connection, path), LPROCESS_FAILED);
    EXPECT_EQ(session.SentCommands(), Lines{"MKD " + path});
}

TEST(FtpMakeDirectoryQuiet, TellsSuccessAsABool) {
    PeerSession session;
    session.peer.ExpectLine().Send("521 Exists.\r\n").ExpectLine().Send("550 No.\r\n").HoldOpen();
    ASSERT_TRUE(session.Connect());
    EXPECT_TRUE(FtpMakeDirectoryQuiet(session.connection, "a"));
    EXPECT_FALSE(FtpMakeDirectoryQuiet(session.connection, "b"));
}

TEST(FtpRemoveDirectoryAndDeleteFile, SendTheNameAsGivenAndAcceptOnly200To399) {
    PeerSession session;
    session.peer.ExpectLine()
        .Send("250 Removed.\r\n")
        .ExpectLine()
        .Send("550 Not empty.\r\n")
        .ExpectLine()
        .Send("250 Deleted.\r\n")
        .ExpectLine()
        .Send("521 Odd.\r\n")
        .HoldOpen();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    EXPECT_EQ(FtpRemoveDirectory(iface, session.connection, "/abs/dir"), LPROCESS_OK);
    EXPECT_EQ(FtpRemoveDirectory(iface, session.connection, "full"), LPROCESS_FAILED);
    EXPECT_EQ(FtpDeleteFile(iface, session.connection, "a file.txt"), LPROCESS_OK);
    // 521 is success only for MKD.
    EXPECT_EQ(FtpDeleteFile(iface, session.connection, "x"), LPROCESS_FAILED);
    EXPECT_EQ(session.peer.ReceivedLines(),
              (Lines{"RMD /abs/dir", "RMD full", "DELE a file.txt", "DELE x"}));
}

TEST(FtpRename, SendsNoRntoWhenRnfrIsRefused) {
    PeerSession session;
    session.peer.ExpectLine().Send("550 No such file.\r\n").ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    EXPECT_EQ(FtpRename(iface, session.connection, "old", "new"), LPROCESS_FAILED);
    EXPECT_EQ(session.SentCommands(), Lines{"RNFR old"});
}

TEST(FtpRename, ReturnsTheResultOfRnto) {
    const ReplyCase cases[] = {
        {"renamed", "250 Renamed.\r\n", LPROCESS_OK},
        {"refused", "553 Not allowed.\r\n", LPROCESS_FAILED},
    };
    for (const ReplyCase& c : cases) {
        SCOPED_TRACE(c.name);
        PeerSession session;
        session.peer.ExpectLine().Send("350 Ready.\r\n").ExpectLine().Send(c.reply).HoldOpen();
        ASSERT_TRUE(session.Connect());
        LProcessInterfaceVoidInstance iface;
        EXPECT_EQ(FtpRename(iface, session.connection, "old name", "dir/new name"), c.result);
        EXPECT_EQ(session.peer.ReceivedLines(), (Lines{"RNFR old name", "RNTO dir/new name"}));
    }
}

TEST(FtpDeleteTree, DeletesTheContentThenChangesBackAndRemovesTheFolder) {
    ListingSession session;
    session.peer.ExpectLine().Send("257 \"/home\" is current.\r\n");
    session.peer.ExpectLine().Send("250 OK.\r\n");
    session.ScriptListing({FileLine("a.txt")});
    session.peer.ExpectLine().Send("250 Deleted.\r\n");
    session.peer.ExpectLine().Send("250 OK.\r\n");
    session.peer.ExpectLine().Send("250 Removed.\r\n").ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    RecordingProcessInterface iface;
    EXPECT_EQ(FtpDeleteTree(iface, session.connection, "sub"), LPROCESS_OK);
    EXPECT_EQ(session.BytesSentAfterScript(), "");
    EXPECT_EQ(
        session.peer.ReceivedLines(),
        Concat({{"PWD", "CWD sub"}, kListingCommands, {"DELE a.txt", "CWD /home", "RMD sub"}}));
}

TEST(FtpDeleteTree, DescendsIntoFoldersAndSkipsTheDotEntries) {
    ListingSession session;
    session.peer.ExpectLine().Send("257 \"/home\"\r\n");
    session.peer.ExpectLine().Send("250 OK.\r\n");
    session.ScriptListing(
        {FolderLine("."), FolderLine(".."), FolderLine("inner"), FileLine("a.txt")});
    // Into "inner", relative to "sub".
    session.peer.ExpectLine().Send("257 \"/home/sub\"\r\n");
    session.peer.ExpectLine().Send("250 OK.\r\n");
    session.ScriptListing({FileLine("b.txt")});
    for (int i = 0; i < 6; ++i) {
        session.peer.ExpectLine().Send("250 OK.\r\n");
    }
    session.peer.ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    RecordingProcessInterface iface;
    EXPECT_EQ(FtpDeleteTree(iface, session.connection, "/home/sub"), LPROCESS_OK);
    EXPECT_EQ(session.SentCommands(), Concat({{"PWD", "CWD /home/sub"},
                                              kListingCommands,
                                              {"PWD", "CWD inner"},
                                              kListingCommands,
                                              {"DELE b.txt", "CWD /home/sub", "RMD inner",
                                               "DELE a.txt", "CWD /home", "RMD /home/sub"}}));
}

// MLSD marks a link to a folder as a folder too; deleting must not follow it into a folder that
// lives elsewhere on the server.
TEST(FtpDeleteTree, RemovesALinkToAFolderWithoutFollowingIt) {
    ListingSession session;
    session.peer.ExpectLine().Send("257 \"/home\"\r\n");
    session.peer.ExpectLine().Send("250 OK.\r\n");
    session.ScriptListing({"type=OS.unix=slink:/srv/data;size=9;modify=20200101000000; data"});
    for (int i = 0; i < 3; ++i) {
        session.peer.ExpectLine().Send("250 OK.\r\n");
    }
    session.peer.ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    session.connection.features |= kFeatMlstModify | kFeatMlstSize | kFeatMlstType;
    RecordingProcessInterface iface;
    EXPECT_EQ(FtpDeleteTree(iface, session.connection, "sub"), LPROCESS_OK);
    EXPECT_EQ(session.SentCommands(), Concat({{"PWD", "CWD sub"},
                                              {"TYPE A", "PASV", "MLSD"},
                                              {"DELE data", "CWD /home", "RMD sub"}}));
}

TEST(FtpDeleteTree, SendsNothingMoreWhenTheFolderCannotBeEntered) {
    PeerSession session;
    session.peer.ExpectLine()
        .Send("257 \"/home\"\r\n")
        .ExpectLine()
        .Send("550 No such directory.\r\n")
        .ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    RecordingProcessInterface iface;
    EXPECT_EQ(FtpDeleteTree(iface, session.connection, "missing"), LPROCESS_FAILED);
    EXPECT_EQ(session.SentCommands(), (Lines{"PWD", "CWD missing"}));
}

TEST(FtpDeleteTree, StopsAtTheFirstItemThatCannotBeDeleted) {
    ListingSession session;
    session.peer.ExpectLine().Send("257 \"/home\"\r\n");
    session.peer.ExpectLine().Send("250 OK.\r\n");
    session.ScriptListing({FileLine("locked"), FileLine("never")});
    session.peer.ExpectLine().Send("550 Permission denied.\r\n").ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    RecordingProcessInterface iface;
    EXPECT_EQ(FtpDeleteTree(iface, session.connection, "sub"), LPROCESS_FAILED);
    // No further delete, no change back, no RMD: the directory stays where it stopped.
    EXPECT_EQ(session.SentCommands(),
              Concat({{"PWD", "CWD sub"}, kListingCommands, {"DELE locked"}}));
}

TEST(FtpDeleteTree, AStopDeletesNothing) {
    PeerSession session;
    session.peer.ExpectLine()
        .Send("257 \"/home\"\r\n")
        .ExpectLine()
        .Send("250 OK.\r\n")
        .ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    session.connection.features = kFeatQueried | kFeatSize;
    RecordingProcessInterface iface;
    iface.RequestStop();
    EXPECT_EQ(FtpDeleteTree(iface, session.connection, "sub"), LPROCESS_STOPPED);
    const std::string after = session.BytesSentAfterScript();
    EXPECT_EQ(after.find("DELE"), std::string::npos) << after;
    EXPECT_EQ(after.find("RMD"), std::string::npos) << after;
}

TEST(FtpFileExists, FindsOnlyTheExactName) {
    struct Case {
        std::string name;
        bool exists;
    };
    const Case cases[] = {
        {"Report.txt", true}, {"report.txt", false}, {"Report", false}, {"folder", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListingSession session;
        session.ScriptListing({FolderLine("."), FileLine("Report.txt"), FolderLine("folder")});
        session.peer.HoldOpen();
        ASSERT_TRUE(session.Connect());
        EXPECT_EQ(FtpFileExists(session.connection, c.name), c.exists);
        EXPECT_EQ(session.peer.ReceivedLines(), kListingCommands);
    }
}

TEST(FtpFileExists, AnEmptyNameIsNeverAsked) {
    PeerSession session;
    session.peer.ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    EXPECT_FALSE(FtpFileExists(session.connection, ""));
    EXPECT_EQ(session.BytesSentAfterScript(), "");
}

TEST(FtpFileExists, AFailedListingFindsNothing) {
    ListingSession session;
    session.peer.ExpectLine()
        .Send("200 Type set to A.\r\n")
        .ExpectLine()
        .Send("425 No passive mode.\r\n");
    session.peer.HoldOpen();
    ASSERT_TRUE(session.Connect());
    EXPECT_FALSE(FtpFileExists(session.connection, "Report.txt"));
}

}  // namespace
