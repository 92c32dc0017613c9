// Listings of the current remote folder against scripted servers: the choice of MLSD or LIST,
// what each line gives, the progress texts, the fall-back after a 550, cancels and failures.
#include "ftp/remote_listing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ftp/control_channel.h"
#include "ftp/ftp_features.h"
#include "ftp/ftp_test_support.h"
#include "ftp/time_zone_guard.h"
#include "support/scripted_ui.h"

namespace {

const std::string kFeatAllFacts = "211-Features:\r\n MLST type*;size*;modify*;\r\n211 End\r\n";
const std::string kFeatNoMlst = "211-Features:\r\n SIZE\r\n MDTM\r\n211 End\r\n";
const std::string kStartAndEnd = "150 Here comes the listing.\r\n226 Transfer complete.\r\n";

// FEAT, TYPE A and PASV (pointing at `data`), then `replies` to the listing command.
ScriptedPeer& ScriptListing(ScriptedPeer& control, const ScriptedPeer& data,
                            const std::string& feat, const std::string& replies) {
    return control.ExpectLine()
        .Send(feat)
        .ExpectLine()
        .Send("200 Type set to A.\r\n")
        .ExpectLine()
        .Send(PassiveReplyFor(data.port()))
        .ExpectLine()
        .Send(replies);
}

std::vector<std::string> Names(FtpDirList& list) {
    std::vector<std::string> names;
    for (FtpDirEntry* entry = list.first.get(); entry != nullptr; entry = entry->next.get()) {
        names.emplace_back(entry->name);
    }
    return names;
}

std::size_t Count(const FtpDirList& list) {
    std::size_t count = 0;
    for (FtpDirEntry* entry = list.first.get(); entry != nullptr; entry = entry->next.get()) {
        ++count;
    }
    return count;
}

std::string UnixLine(const std::string& name, int size = 12) {
    return "-rw-r--r--    1 ftp      ftp      " + std::to_string(size) + " Mar 03  2015 " + name +
           "\r\n";
}

struct ModeCase {
    const char* name;
    std::string feat;
    std::string command;
};

TEST(FtpListRetrieve, UsesMlsdOnlyWhenModifySizeAndTypeFactsAreAllEnabled) {
    const ModeCase cases[] = {
        {"all three", kFeatAllFacts, "MLSD"},
        {"all three among others",
         "211-Features:\r\n MLST type*;size*;modify*;perm*;unique;\r\n211 End\r\n", "MLSD"},
        {"modify not enabled", "211-Features:\r\n MLST type*;size*;modify;\r\n211 End\r\n", "LIST"},
        {"size missing", "211-Features:\r\n MLST type*;modify*;\r\n211 End\r\n", "LIST"},
        {"type missing", "211-Features:\r\n MLST size*;modify*;\r\n MLSD\r\n211 End\r\n", "LIST"},
        {"no MLST", kFeatNoMlst, "LIST"},
    };
    for (const ModeCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPeer data;
        data.Send(c.command == "MLSD" ? "type=file;size=3;modify=20240102030405; a.txt\r\n"
                                      : UnixLine("a.txt", 3));
        data.Start();
        PeerSession session;
        ScriptListing(session.peer, data, c.feat, kStartAndEnd).HoldOpen();
        ASSERT_TRUE(session.Connect());
        RecordingProcessInterface iface;
        FtpDirList list(iface, session.connection);
        EXPECT_EQ(list.result, LPROCESS_OK);
        EXPECT_EQ(session.peer.ReceivedLines(),
                  (std::vector<std::string>{"FEAT", "TYPE A", "PASV", c.command}));
        EXPECT_EQ(Names(list), std::vector<std::string>{"a.txt"});
        ASSERT_NE(list.first, nullptr);
        EXPECT_EQ(list.first->size, 3u);
        EXPECT_TRUE(iface.errors.empty());
    }
}

TEST(FtpListRetrieve, AsksForTheFeaturesAgainAfterOpeningTheDataConnection) {
    ScriptedPeer data;
    data.Send("type=file;size=3;modify=20240102030405; a.txt\r\n");
    data.Start();
    PeerSession session;
    session.peer.ExpectLine()
        .Send("421 Too busy for FEAT.\r\n")
        .ExpectLine()
        .Send("200 Type set to A.\r\n")
        .ExpectLine()
        .Send(PassiveReplyFor(data.port()))
        .ExpectLine()
        .Send(kFeatAllFacts)
        .ExpectLine()
        .Send(kStartAndEnd)
        .HoldOpen();
    ASSERT_TRUE(session.Connect());
    FtpDirList list(session.connection);
    EXPECT_EQ(list.result, LPROCESS_OK);
    EXPECT_EQ(session.peer.ReceivedLines(),
              (std::vector<std::string>{"FEAT", "TYPE A", "PASV", "FEAT", "MLSD"}));
    EXPECT_EQ(Names(list), std::vector<std::string>{"a.txt"});
}

// Runs one MLSD listing of `lines` and returns the list.
struct MlsdRun {
    PeerSession session;
    ScriptedPeer data;
    RecordingProcessInterface iface;
    std::unique_ptr<FtpDirList> list;

    explicit MlsdRun(const std::string& lines, const std::string& pattern = "*") {
        data.Send(lines);
        data.Start();
        ScriptListing(session.peer, data, kFeatAllFacts, kStartAndEnd).HoldOpen();
        EXPECT_TRUE(session.Connect());
        list = std::make_unique<FtpDirList>(iface, session.connection, pattern);
    }
};

TEST(FtpListRetrieve, ReadsTheFactsOfMlsdLines) {
    // Two hours east of UTC: modify= values are UTC and must come out as true UTC seconds.
    TimeZoneGuard zone("XYZ-2");
    MlsdRun run(
        "type=file;size=1234;modify=20240102030405; notes.txt\r\n"
        "Type=dir;Modify=20231231235959;Perm=el; Sub Folder\r\n"
        "type=OS.unix=slink:/x;size=1;modify=20240102030405; www\r\n"
        "type=cdir;modify=20240102030405; .\r\n"
        "size=7; no type or date\r\n"
        "type=file;size=5;modify=20240102030405;   three leading spaces\r\n"
        "type=file;size=5;modify=20240102030405.123; fraction\r\n"
        "no-space-at-all\r\n"
        "\r\n");
    FtpDirList& list = *run.list;
    EXPECT_EQ(list.result, LPROCESS_OK);
    EXPECT_EQ(Names(list),
              (std::vector<std::string>{"notes.txt", "Sub Folder", "www", ".", "no type or date",
                                        "three leading spaces", "fraction", "no-space-at-all"}));
    const time_t jan2 = UtcTime(2024, 1, 2, 3, 4, 5);
    FtpDirEntry* e = list.first.get();
    EXPECT_EQ(e->size, 1234u);
    EXPECT_EQ(e->hasSize, 1);
    EXPECT_EQ(e->modified, jan2);
    EXPECT_EQ(e->hasModified, 1u);
    EXPECT_EQ(e->hasType, 1);
    EXPECT_FALSE(e->isFolder);
    EXPECT_FALSE(e->isLink);
    e = e->next.get();
    EXPECT_TRUE(e->isFolder);
    EXPECT_FALSE(e->isLink);
    EXPECT_EQ(e->modified, UtcTime(2023, 12, 31, 23, 59, 59));
    EXPECT_EQ(e->hasSize, 0);
    e = e->next.get();
    // A link to somewhere: both a folder and a link, to be looked into by the caller.
    EXPECT_TRUE(e->isFolder);
    EXPECT_TRUE(e->isLink);
    e = e->next.get();
    EXPECT_TRUE(e->isFolder);
    e = e->next.get();
    EXPECT_EQ(e->hasType, 0);
    EXPECT_EQ(e->hasModified, 0u);
    EXPECT_EQ(e->size, 7u);
    e = e->next.get();
    e = e->next.get();
    EXPECT_EQ(e->modified, jan2);
    e = e->next.get();
    EXPECT_EQ(e->hasType, 0);
    EXPECT_EQ(list.last, e);
    EXPECT_EQ(list.current, list.first.get());
}

TEST(FtpListRetrieve, ReadsListLinesAndSkipsWhatIsNoItem) {
    TimeZoneGuard zone("XYZ-2");
    ScriptedPeer data;
    data.Send(
        "total 48\r\n"
        "\r\n"
        "drwxr-xr-x    2 ftp      ftp          4096 Mar 03  2015 src\r\n"
        "-rw-r--r--    1 ftp      ftp          1234 Jan 15  2016 notes.txt\r\n"
        "lrwxrwxrwx    1 ftp      ftp             7 Jan 05  2016 www -> public\r\n"
        "something a parser cannot read\r\n"
        "01-15-09  12:30PM       <DIR>          Backup\r\n"
        "01-15-09  12:05AM                  512 dos.txt");  // no line end before the close
    data.Start();
    PeerSession session;
    ScriptListing(session.peer, data, kFeatNoMlst, kStartAndEnd).HoldOpen();
    ASSERT_TRUE(session.Connect());
    FtpDirList list(session.connection);
    EXPECT_EQ(list.result, LPROCESS_OK);
    ASSERT_EQ(Names(list),
              (std::vector<std::string>{"src", "notes.txt", "www -> public", "Backup", "dos.txt"}));
    FtpDirEntry* e = list.first.get();
    EXPECT_TRUE(e->isFolder);
    EXPECT_EQ(e->hasType, 1);
    // Listed dates are local wall-clock time.
    EXPECT_EQ(e->modified, LocalTime(2015, 3, 3, 0, 0));
    e = e->next.get();
    EXPECT_FALSE(e->isFolder);
    EXPECT_EQ(e->size, 1234u);
    EXPECT_EQ(e->hasSize, 1);
    e = e->next.get();
    EXPECT_TRUE(e->isLink);
    e = e->next.get();
    EXPECT_TRUE(e->isFolder);
    EXPECT_EQ(e->modified, LocalTime(2009, 1, 15, 12, 30));
    e = e->next.get();
    EXPECT_EQ(e->size, 512u);
    EXPECT_EQ(e->modified, LocalTime(2009, 1, 15, 0, 5));
    EXPECT_EQ(e->hasModified, 1u);
}

TEST(FtpListRetrieve, KeepsUtf8ListNamesAndConvertsOthersFromLatin1) {
    const std::string longUtf8 = std::string(258, 'a') + "\xC3\xA9";  // cut inside the é
    ScriptedPeer data;
    data.Send(UnixLine("caf\xC3\xA9.txt") + UnixLine("caf\xE9-latin1.txt") +
              UnixLine("Gr\xC3\xBC\xC3\x9F"
                       "e") +
              UnixLine(longUtf8 + "xyz") + UnixLine("\xE2\x82\xAC"));
    data.Start();
    PeerSession session;
    ScriptListing(session.peer, data, kFeatNoMlst, kStartAndEnd).HoldOpen();
    ASSERT_TRUE(session.Connect());
    FtpDirList list(session.connection);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"caf\xC3\xA9.txt", "caf\xC3\xA9-latin1.txt",
                                                     "Gr\xC3\xBC\xC3\x9F"
                                                     "e",
                                                     std::string(258, 'a'), "\xE2\x82\xAC"}));
}

TEST(FtpListRetrieve, MlsdNamesStayAsSent) {
    MlsdRun run("type=file;size=1; caf\xE9\r\n");
    EXPECT_EQ(Names(*run.list), std::vector<std::string>{"caf\xE9"});
}

TEST(FtpListRetrieve, ShowsTheObjectCountEvery25Items) {
    std::string lines;
    for (int i = 0; i < 60; ++i) {
        lines += UnixLine("file" + std::to_string(i));
    }
    ScriptedPeer data;
    data.Send(lines);
    data.Start();
    PeerSession session;
    ScriptListing(session.peer, data, kFeatNoMlst, kStartAndEnd).HoldOpen();
    ASSERT_TRUE(session.Connect());
    RecordingProcessInterface iface;
    FtpDirList list(iface, session.connection);
    EXPECT_EQ(list.result, LPROCESS_OK);
    EXPECT_EQ(Count(list), 60u);
    EXPECT_EQ(iface.TextsOnLine(0), (std::vector<std::string>{"25 objects", "50 objects"}));
    EXPECT_EQ(iface.statusTexts.size(), 2u);
}

TEST(FtpListRetrieve, MatchesThePatternIgnoringCaseWithoutGivingItToTheServer) {
    ScriptedPeer data;
    data.Send(UnixLine("a.txt") + UnixLine("B.Txt") + UnixLine("c.doc") + UnixLine("txt"));
    data.Start();
    PeerSession session;
    ScriptListing(session.peer, data, kFeatNoMlst, kStartAndEnd).HoldOpen();
    ASSERT_TRUE(session.Connect());
    FtpDirList list(session.connection, "*.TXT");
    EXPECT_EQ(Names(list), (std::vector<std::string>{"a.txt", "B.Txt"}));
    EXPECT_EQ(session.peer.ReceivedLines().back(), "LIST");
}

TEST(FtpListRetrieve, MatchesThePatternOnMlsdNames) {
    MlsdRun run("type=file; Report.PDF\r\ntype=file; report.txt\r\ntype=dir; reports\r\n",
                "report?.pdf");
    EXPECT_EQ(Names(*run.list), std::vector<std::string>{});
    MlsdRun second("type=file; Report.PDF\r\ntype=file; report.txt\r\n", "r*.pdf");
    EXPECT_EQ(Names(*second.list), std::vector<std::string>{"Report.PDF"});
}

TEST(FtpListRetrieve, After550ProtectsTheDataAndListsWithList) {
    ScriptedPeer data;
    data.Send(UnixLine("a.txt") + UnixLine("b.txt"));
    data.Start();
    PeerSession session;
    ScriptListing(session.peer, data, kFeatAllFacts, "550 Protect your data first.\r\n")
        .ExpectLine()
        .Send("200 Protection level set to P.\r\n")
        .ExpectLine()
        .Send(kStartAndEnd)
        .HoldOpen();
    ASSERT_TRUE(session.Connect());
    RecordingProcessInterface iface;
    FtpDirList list(iface, session.connection);
    EXPECT_EQ(list.result, LPROCESS_OK);
    EXPECT_EQ(session.peer.ReceivedLines(),
              (std::vector<std::string>{"FEAT", "TYPE A", "PASV", "MLSD", "PROT P", "LIST"}));
    // The lines are read as LIST lines now.
    EXPECT_EQ(Names(list), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_TRUE(iface.errors.empty());
}

struct FallBackCase {
    const char* name;
    std::string protReply;
    std::vector<std::string> sent;
    std::vector<std::string> errors;
};

TEST(FtpListRetrieve, FailsWhenTheFallBackAfter550DoesNot) {
    const FallBackCase cases[] = {
        {"PROT P not possible",
         "534 Not possible.\r\n",
         {"FEAT", "TYPE A", "PASV", "LIST", "PROT P"},
         {"This FTP server does not support the required protected mode data transfers for SSL "
          "connections."}},
        {"PROT P refused", "503 AUTH first.\r\n", {"FEAT", "TYPE A", "PASV", "LIST", "PROT P"}, {}},
    };
    for (const FallBackCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPeer data;
        data.HoldOpen();
        data.Start();
        PeerSession session;
        ScriptListing(session.peer, data, kFeatNoMlst, "550 No.\r\n")
            .ExpectLine()
            .Send(c.protReply)
            .ReceiveUntilClosed();
        ASSERT_TRUE(session.Connect());
        RecordingProcessInterface iface;
        FtpDirList list(iface, session.connection);
        EXPECT_EQ(list.result, LPROCESS_FAILED);
        EXPECT_FALSE(list.dataFailed);
        EXPECT_EQ(session.SentCommands(), c.sent);
        EXPECT_EQ(iface.errors, c.errors);
    }
}

TEST(FtpListRetrieve, FailsOnAnyOtherAnswerToTheListingCommand) {
    for (const std::string reply :
         {"500 Unknown.\r\n", "226 Nothing to send.\r\n", "425 No data connection.\r\n"}) {
        SCOPED_TRACE(reply);
        ScriptedPeer data;
        data.HoldOpen();
        data.Start();
        PeerSession session;
        ScriptListing(session.peer, data, kFeatNoMlst, reply).ReceiveUntilClosed();
        ASSERT_TRUE(session.Connect());
        FtpDirList list(session.connection);
        EXPECT_EQ(list.result, LPROCESS_FAILED);
        EXPECT_EQ(list.first, nullptr);
        EXPECT_EQ(session.BytesSentAfterScript(), "");
    }
}

TEST(FtpListRetrieve, FailsWithTheFinalReplyButKeepsWhatArrived) {
    ScriptedPeer data;
    data.Send(UnixLine("a.txt"));
    data.Start();
    PeerSession session;
    ScriptListing(session.peer, data, kFeatNoMlst,
                  "150 Here it comes.\r\n426 Connection closed; transfer aborted.\r\n")
        .HoldOpen();
    ASSERT_TRUE(session.Connect());
    FtpDirList list(session.connection);
    EXPECT_EQ(list.result, LPROCESS_FAILED);
    EXPECT_FALSE(list.cancelled);
    EXPECT_EQ(Names(list), std::vector<std::string>{"a.txt"});
}

// Asks to stop as soon as the first object count is shown.
class StopAtFirstCount final : public LProcessInterfaceVoid {
public:
    bool IsStopped() override { return counts > 0; }
    void SetStatusText(const char*, std::int32_t) override { ++counts; }
    int counts = 0;
};

TEST(FtpListRetrieve, StopsBetweenLinesAndLeavesTheFinalReplyUnread) {
    std::string lines;
    for (int i = 0; i < 60; ++i) {
        lines += UnixLine("file" + std::to_string(i));
    }
    ScriptedPeer data;
    // The data connection stays open until the client closes it.
    data.Send(lines).ReceiveUntilClosed();
    data.Start();
    PeerSession session;
    ScriptListing(session.peer, data, kFeatNoMlst, kStartAndEnd).HoldOpen();
    ASSERT_TRUE(session.Connect());
    StopAtFirstCount iface;
    FtpDirList list(iface, session.connection);
    EXPECT_EQ(list.result, LPROCESS_STOPPED);
    EXPECT_TRUE(list.cancelled);
    EXPECT_EQ(Count(list), 25u);
    EXPECT_EQ(list.current, list.first.get());
    // The client closed the data connection, or this would wait forever.
    data.Wait();
    // The final reply is still there for the next reader.
    LProcessInterfaceVoidInstance reader;
    int code = 0;
    std::string text;
    EXPECT_EQ(FtpReadReply(reader, session.connection, code, text), LPROCESS_OK);
    EXPECT_EQ(code, 226);
}

// Asks to stop at the second question after the first object count: the listing's own question
// after that line answers no, the wait for more data that follows is stopped.
class StopInTheWaitAfterFirstCount final : public LProcessInterfaceVoid {
public:
    bool IsStopped() override { return counts > 0 && ++asksAfterCount >= 2; }
    void SetStatusText(const char*, std::int32_t) override { ++counts; }
    int counts = 0;
    int asksAfterCount = 0;
};

TEST(FtpListRetrieve, StopsWhileWaitingForData) {
    std::string lines;
    for (int i = 0; i < 25; ++i) {
        lines += UnixLine("file" + std::to_string(i));
    }
    ScriptedPeer data;
    data.Send(lines).HoldOpen();
    data.Start();
    PeerSession session;
    ScriptListing(session.peer, data, kFeatNoMlst, kStartAndEnd).HoldOpen();
    ASSERT_TRUE(session.Connect());
    StopInTheWaitAfterFirstCount iface;
    FtpDirList list(iface, session.connection);
    EXPECT_EQ(list.result, LPROCESS_STOPPED);
    EXPECT_TRUE(list.cancelled);
    EXPECT_EQ(Count(list), 25u);
    EXPECT_EQ(iface.asksAfterCount, 2);
}

TEST(FtpListRetrieve, SetsDataFailedWhenTheDataConnectionCannotBeOpened) {
    PeerSession session;
    session.peer.ExpectLine()
        .Send(kFeatNoMlst)
        .ExpectLine()
        .Send("200 Type set to A.\r\n")
        .ExpectLine()
        // The broadcast address never connects.
        .Send("227 Entering Passive Mode (255,255,255,255,4,1)\r\n")
        .ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    FtpDirList list(session.connection);
    EXPECT_EQ(list.result, LPROCESS_FAILED);
    EXPECT_TRUE(list.dataFailed);
    EXPECT_FALSE(list.cancelled);
    EXPECT_EQ(list.first, nullptr);
    // Nothing is sent after the failed connects.
    EXPECT_EQ(session.SentCommands(), (std::vector<std::string>{"FEAT", "TYPE A", "PASV"}));
}

TEST(FtpListRetrieve, SetsDataFailedWhenPassiveModeIsRefused) {
    PeerSession session;
    session.peer.ExpectLine()
        .Send(kFeatNoMlst)
        .ExpectLine()
        .Send("200 Type set to A.\r\n")
        .ExpectLine()
        .Send("500 PASV not allowed.\r\n")
        .ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    FtpDirList list(session.connection);
    EXPECT_EQ(list.result, LPROCESS_FAILED);
    EXPECT_TRUE(list.dataFailed);
    EXPECT_EQ(session.BytesSentAfterScript(), "");
}

TEST(FtpListRetrieve, SkipsALineLongerThan64KiB) {
    ScriptedPeer data;
    data.Send(UnixLine("before") + UnixLine(std::string(100 * 1024, 'x')) + UnixLine("after") +
              UnixLine(std::string(70 * 1024, 'y')));
    data.Start();
    PeerSession session;
    ScriptListing(session.peer, data, kFeatNoMlst, kStartAndEnd).HoldOpen();
    ASSERT_TRUE(session.Connect());
    FtpDirList list(session.connection);
    EXPECT_EQ(list.result, LPROCESS_OK);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"before", "after"}));
}

TEST(FtpListRetrieve, KeepsALongNameLineUnderTheLimit) {
    // A line of 60 KiB is no item of any server, but it is still a line: its name is cut.
    MlsdRun run("type=file; " + std::string(60 * 1024, 'n') + "\r\ntype=file; b\r\n");
    EXPECT_EQ(Names(*run.list), (std::vector<std::string>{std::string(259, 'n'), "b"}));
}

TEST(FtpListRetrieve, ReplacesWhatTheListHeld) {
    MlsdRun run("type=file; first\r\n");
    ASSERT_EQ(Names(*run.list), std::vector<std::string>{"first"});
    ScriptedPeer data;
    data.Send("type=file; second\r\ntype=file; third\r\n");
    data.Start();
    // A second connection that already knows the server's features.
    PeerSession session;
    session.peer.ExpectLine()
        .Send("200 Type set to A.\r\n")
        .ExpectLine()
        .Send(PassiveReplyFor(data.port()))
        .ExpectLine()
        .Send(kStartAndEnd)
        .HoldOpen();
    ASSERT_TRUE(session.Connect());
    session.connection.features = run.session.connection.features;
    RecordingProcessInterface iface;
    EXPECT_EQ(FtpListRetrieve(*run.list, iface, session.connection, "*"), LPROCESS_OK);
    EXPECT_EQ(Names(*run.list), (std::vector<std::string>{"second", "third"}));
    EXPECT_EQ(run.list->last->name, "third");
    EXPECT_EQ(run.list->current, run.list->first.get());
}

TEST(FtpDirList, FreesAVeryLongListWithoutRecursion) {
    LSecureSocket closed;  // nothing to list: the listing fails at once
    auto list = std::make_unique<FtpDirList>(closed);
    EXPECT_EQ(list->result, LPROCESS_FAILED);
    FtpDirEntry* tail = nullptr;
    for (int i = 0; i < 1000000; ++i) {
        auto entry = std::make_unique<FtpDirEntry>();
        FtpDirEntry* added = entry.get();
        if (tail == nullptr) {
            list->first = std::move(entry);
        } else {
            tail->next = std::move(entry);
        }
        tail = added;
    }
    list.reset();
    SUCCEED();
}

TEST(FtpDirList, CursorWalksTheListOnce) {
    MlsdRun run(
        "type=dir;size=0;modify=20240102030405; sub\r\n"
        "type=file;size=9;modify=20240102030405; a.txt\r\n");
    FtpDirList& list = *run.list;
    EXPECT_FALSE(list.AtEnd());
    EXPECT_STREQ(list.CurrentName(), "sub");
    EXPECT_TRUE(list.IsFolderEntry());
    EXPECT_FALSE(list.IsLinkEntry());
    list.Next();
    EXPECT_STREQ(list.CurrentName(), "a.txt");
    EXPECT_FALSE(list.IsFolderEntry());
    EXPECT_EQ(list.GetSize(), 9u);
    EXPECT_EQ(list.GetModified(), UtcTime(2024, 1, 2, 3, 4, 5));
    list.Next();
    EXPECT_TRUE(list.AtEnd());
    EXPECT_STREQ(list.CurrentName(), "");
    EXPECT_FALSE(list.IsFolderEntry());
    EXPECT_FALSE(list.IsLinkEntry());
    EXPECT_EQ(list.GetSize(), 0u);
    EXPECT_EQ(list.GetModified(), 0);
    list.Next();
    EXPECT_TRUE(list.AtEnd());
    // Only the listing talked to the server.
    EXPECT_EQ(run.session.peer.ReceivedLines().size(), 4u);
}

TEST(FtpDirList, AsksTheServerOnceForFactsTheListingLacked) {
    TimeZoneGuard zone("XYZ-2");
    ScriptedPeer data;
    data.Send("type=file; a.txt\r\nsize=1; b\r\n");
    data.Start();
    PeerSession session;
    ScriptListing(session.peer, data, kFeatAllFacts, kStartAndEnd)
        .ExpectLine()  // the size
        .Send(
            "250-Listing a.txt\r\n type=file;size=4321;modify=20240506070809; a.txt\r\n250 End\r\n")
        .ExpectLine()  // the time
        .Send(
            "250-Listing a.txt\r\n type=file;size=4321;modify=20240506070809; a.txt\r\n250 End\r\n")
        .ExpectLine()  // the kind of b
        .Send("250-Listing b\r\n Type=OS.unix=slink:/elsewhere;size=1; b\r\n250 End\r\n")
        .ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    RecordingProcessInterface iface;
    FtpDirList list(iface, session.connection);
    ASSERT_EQ(list.result, LPROCESS_OK);
    EXPECT_EQ(list.GetSize(), 4321u);
    EXPECT_EQ(list.GetSize(), 4321u);
    EXPECT_EQ(list.GetModified(), UtcTime(2024, 5, 6, 7, 8, 9));
    EXPECT_EQ(list.GetModified(), UtcTime(2024, 5, 6, 7, 8, 9));
    EXPECT_FALSE(list.IsFolderEntry());  // known from the listing
    list.Next();
    EXPECT_TRUE(list.IsLinkEntry());
    EXPECT_TRUE(list.IsLinkEntry());
    EXPECT_EQ(list.current->hasType, 1);
    EXPECT_FALSE(list.cancelled);
    EXPECT_EQ(session.SentCommands(),
              (std::vector<std::string>{"FEAT", "TYPE A", "PASV", "MLSD", "MLST a.txt",
                                        "MLST a.txt", "MLST b"}));
}

TEST(FtpDirList, AFailedLazyQueryIsNotAskedAgain) {
    ScriptedPeer data;
    data.Send("type=file; gone.txt\r\n");
    data.Start();
    PeerSession session;
    // MLST is offered, SIZE not; the failed MLST leaves only the LIST of the name, which fails.
    ScriptListing(session.peer, data, kFeatAllFacts, kStartAndEnd)
        .ExpectLine()
        .Send("501 Try again.\r\n")
        .ExpectLine()
        .Send("200 Type set to A.\r\n")
        .ExpectLine()
        .Send("500 No passive mode today.\r\n")
        .ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    FtpDirList list(session.connection);
    EXPECT_EQ(list.GetSize(), 0u);
    EXPECT_EQ(list.current->hasSize, 1);
    EXPECT_EQ(list.GetSize(), 0u);
    EXPECT_EQ(session.SentCommands(),
              (std::vector<std::string>{"FEAT", "TYPE A", "PASV", "MLSD", "MLST gone.txt", "TYPE A",
                                        "PASV"}));
}

TEST(FtpDirList, RemembersACancelledLazyQuery) {
    MlsdRun run("type=file; a.txt\r\n");
    FtpDirList& list = *run.list;
    run.iface.RequestStop();
    EXPECT_EQ(list.GetSize(), 0u);
    EXPECT_TRUE(list.cancelled);
    EXPECT_EQ(list.current->hasSize, 1);
}

}  // namespace
