// The kind, size and time of one remote name against scripted servers, through every fall-back,
// and the reading of MLSD and MLST facts.
#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "ftp/ftp_features.h"
#include "ftp/ftp_test_support.h"
#include "ftp/mlsd_facts.h"
#include "ftp/remote_listing.h"
#include "ftp/time_zone_guard.h"
#include "support/scripted_ui.h"

namespace {

const std::string kStartAndEnd = "150 Here it comes.\r\n226 Transfer complete.\r\n";

std::string Feat(const std::string& lines) {
    return "211-Features:\r\n" + lines + "211 End\r\n";
}

// TYPE A, PASV pointing at `data`, then `replies` to the data command.
ScriptedPeer& ScriptDataCommand(ScriptedPeer& control, const ScriptedPeer& data,
                                const std::string& replies) {
    return control.ExpectLine()
        .Send("200 Type set to A.\r\n")
        .ExpectLine()
        .Send(PassiveReplyFor(data.port()))
        .ExpectLine()
        .Send(replies);
}

// ---- Reading facts ----

TEST(MlsdLineName, IsTheTextAfterTheFirstSpace) {
    EXPECT_EQ(MlsdLineName("type=file;size=1; a b.txt"), "a b.txt");
    EXPECT_EQ(MlsdLineName("type=file;   spaced"), "spaced");
    EXPECT_EQ(MlsdLineName("no-facts"), "no-facts");
    EXPECT_EQ(MlsdLineName("trailing "), "");
    EXPECT_EQ(MlsdLineName(""), "");
}

TEST(FtpTypeFactKind, TellsFilesLinksAndFolders) {
    struct Case {
        const char* value;
        int kind;
    } cases[] = {
        {"file", kItemFile},          {"file-ish", kItemFile},
        {"dir", kItemFolder},         {"cdir", kItemFolder},
        {"pdir", kItemFolder},        {"os.unix=slink:/x", kItemLink},
        {"os.unix=slink", kItemLink}, {"os.unix=blkdev", kItemFolder},
        {"os.unix", kItemFolder},     {"", kItemFolder},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FtpTypeFactKind(c.value), c.kind) << c.value;
    }
}

TEST(FtpTimestampToTime, ReadsUtcTimestampsWhateverTheLocalZone) {
    TimeZoneGuard zone("XYZ+5");
    struct Case {
        const char* text;
        time_t expected;
    } cases[] = {
        {"20240102030405", UtcTime(2024, 1, 2, 3, 4, 5)},
        {"20240102030405.678", UtcTime(2024, 1, 2, 3, 4, 5)},
        {"19991231235959", UtcTime(1999, 12, 31, 23, 59, 59)},
        {"202401020304", UtcTime(2024, 1, 2, 3, 4, 0)},
        {"20240102030405;perm=r", UtcTime(2024, 1, 2, 3, 4, 5)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FtpTimestampToTime(c.text), c.expected) << c.text;
    }
}

TEST(FtpTimestampToTime, ASummerTimeReadInWinterIsNotAnHourOff) {
    // New York's rules: the offset of the date, not today's, decides the local reading, so a UTC
    // time must not go through local time at all.
    TimeZoneGuard zone("EST5EDT,M3.2.0,M11.1.0");
    EXPECT_EQ(FtpTimestampToTime("20100719235959"), UtcTime(2010, 7, 19, 23, 59, 59));
    EXPECT_EQ(FtpTimestampToTime("20100119235959"), UtcTime(2010, 1, 19, 23, 59, 59));
}

TEST(ReadMlsdFacts, ReadsTheFirstOfEachFactInAnyCase) {
    FtpDirEntry entry;
    ReadMlsdFacts("Size=10;TYPE=File;size=20;Modify=20240102030405; name", entry);
    EXPECT_EQ(entry.size, 10u);
    EXPECT_EQ(entry.hasSize, 1);
    EXPECT_EQ(entry.hasType, 1);
    EXPECT_FALSE(entry.isFolder);
    EXPECT_EQ(entry.hasModified, 1u);
    FtpDirEntry bare;
    ReadMlsdFacts("perm=r; name", bare);
    EXPECT_EQ(bare.hasSize, 0);
    EXPECT_EQ(bare.hasType, 0);
    EXPECT_EQ(bare.hasModified, 0u);
    FtpDirEntry negative;
    ReadMlsdFacts("size=-5; name", negative);
    EXPECT_EQ(negative.size, 0u);
    EXPECT_EQ(negative.hasSize, 1);
}

// ---- Size ----

TEST(FtpGetFileSize, AnswersZeroForAMissingNameWhenMlstSays550) {
    PeerSession session;
    session.peer.ExpectLine()
        .Send(Feat(" MLST size*;\r\n SIZE\r\n"))
        .ExpectLine()
        .Send("550 No such file or directory.\r\n")
        .ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    RecordingProcessInterface iface;
    std::uint64_t size = 99;
    EXPECT_EQ(FtpGetFileSize(iface, session.connection, "missing.txt", size), LPROCESS_OK);
    EXPECT_EQ(size, 0u);
    // No other command looks for it.
    EXPECT_EQ(session.SentCommands(), (std::vector<std::string>{"FEAT", "MLST missing.txt"}));
}

TEST(FtpGetFileSize, ReadsTheSizeFactOfMlst) {
    PeerSession session;
    session.peer.ExpectLine()
        .Send(Feat(" MLST type*;size*;modify*;\r\n"))
        .ExpectLine()
        .Send(
            "250-Listing a.txt\r\n Type=file;Size=1234;Modify=20240102030405; a.txt\r\n"
            "250 End.\r\n")
        .ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    std::uint64_t size = 0;
    EXPECT_EQ(FtpGetFileSize(iface, session.connection, "a.txt", size), LPROCESS_OK);
    EXPECT_EQ(size, 1234u);
    EXPECT_EQ(session.BytesSentAfterScript(), "");
}

TEST(FtpGetFileSize, AsksSizeInBinaryTypeWhenMlstGivesNoSize) {
    PeerSession session;
    session.peer.ExpectLine()
        .Send(Feat(" MLST size*;\r\n SIZE\r\n"))
        .ExpectLine()
        .Send("250-Listing a.txt\r\n type=file; a.txt\r\n250 End.\r\n")
        .ExpectLine()
        .Send("200 Type set to I.\r\n")
        .ExpectLine()
        .Send("213 4321\r\n")
        .ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    std::uint64_t size = 0;
    EXPECT_EQ(FtpGetFileSize(iface, session.connection, "a.txt", size), LPROCESS_OK);
    EXPECT_EQ(size, 4321u);
    EXPECT_EQ(session.SentCommands(),
              (std::vector<std::string>{"FEAT", "MLST a.txt", "TYPE I", "SIZE a.txt"}));
}

TEST(FtpGetFileSize, TakesTheLastMatchingLineOfAnMlsdOfTheParentFolder) {
    ScriptedPeer data;
    data.Send(
        "type=cdir;sizd=4096; .\r\n"
        "type=file;size=11; b.txt.bak\r\n"
        "type=file;size=22; b.txt\r\n"
        "type=file;size=33; c.txt\r\n");
    data.Start();
    PeerSession session;
    session.peer.ExpectLine().Send(Feat(" MLSD\r\n"));
    ScriptDataCommand(session.peer, data, kStartAndEnd).ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    std::uint64_t size = 0;
    EXPECT_EQ(FtpGetFileSize(iface, session.connection, "/pub/b.txt", size), LPROCESS_OK);
    EXPECT_EQ(size, 22u);
    EXPECT_EQ(session.SentCommands(),
              (std::vector<std::string>{"FEAT", "TYPE A", "PASV", "MLSD /pub"}));
}

TEST(FtpGetFileSize, FallsBackToAListingOfTheName) {
    ScriptedPeer data;
    data.Send(
        "-rw-r--r-- 1 ftp ftp 100 Jan 05  2016 a.txt.old\r\n"
        "-rw-r--r-- 1 ftp ftp 200 Jan 05  2016 a.txt\r\n");
    data.Start();
    PeerSession session;
    // SIZE is offered, but the TYPE I before it is refused.
    session.peer.ExpectLine().Send(Feat(" SIZE\r\n")).ExpectLine().Send("504 Not that type.\r\n");
    ScriptDataCommand(session.peer, data, kStartAndEnd).ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    std::uint64_t size = 0;
    EXPECT_EQ(FtpGetFileSize(iface, session.connection, "a.txt", size), LPROCESS_OK);
    EXPECT_EQ(size, 200u);
    EXPECT_EQ(session.SentCommands(),
              (std::vector<std::string>{"FEAT", "TYPE I", "TYPE A", "PASV", "LIST a.txt*"}));
}

TEST(FtpGetFileSize, RemembersARefusedMlsdAndFailsWithoutAnyAnswer) {
    ScriptedPeer refusedData;
    refusedData.HoldOpen();
    refusedData.Start();
    ScriptedPeer listData;
    listData.Send("-rw-r--r-- 1 ftp ftp 100 Jan 05  2016 other.txt\r\n");
    listData.Start();
    PeerSession session;
    session.peer.ExpectLine().Send(Feat(" MLSD\r\n"));
    ScriptDataCommand(session.peer, refusedData, "500 MLSD not understood.\r\n");
    ScriptDataCommand(session.peer, listData, kStartAndEnd).ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    std::uint64_t size = 5;
    EXPECT_EQ(FtpGetFileSize(iface, session.connection, "a.txt", size), LPROCESS_FAILED);
    EXPECT_EQ(size, 0u);
    EXPECT_TRUE(session.connection.features & kFeatMlsdRefused);
    EXPECT_EQ(session.SentCommands(), (std::vector<std::string>{"FEAT", "TYPE A", "PASV", "MLSD",
                                                                "TYPE A", "PASV", "LIST a.txt*"}));
}

TEST(FtpGetFileSize, IsStoppedBeforeAnythingIsSent) {
    PeerSession session;
    session.peer.ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    RecordingProcessInterface iface;
    iface.RequestStop();
    std::uint64_t size = 5;
    EXPECT_EQ(FtpGetFileSize(iface, session.connection, "a.txt", size), LPROCESS_STOPPED);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(session.BytesSentAfterScript(), "");
}

TEST(FtpGetFileSizeQuiet, GivesZeroWhenUnknown) {
    PeerSession session;
    session.peer.ExpectLine()
        .Send(Feat(" SIZE\r\n"))
        .ExpectLine()
        .Send("200 Type set to I.\r\n")
        .ExpectLine()
        .Send("213 77\r\n")
        .ExpectLine()
        .Send("200 Type set to I.\r\n")
        .ExpectLine()
        .Send("550 Could not get file size.\r\n")
        .ExpectLine()
        .Send("425 Cannot open a data connection.\r\n")
        .ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    EXPECT_EQ(FtpGetFileSizeQuiet(session.connection, "a.txt"), 77u);
    EXPECT_EQ(FtpGetFileSizeQuiet(session.connection, "folder"), 0u);
    EXPECT_EQ(session.BytesSentAfterScript(), "");
}

// ---- Time ----

TEST(FtpGetFileTime, ReadsMdtmAsUtcIgnoringFractions) {
    TimeZoneGuard zone("XYZ-2");
    PeerSession session;
    session.peer.ExpectLine()
        .Send(Feat(" MDTM\r\n MLST modify*;\r\n"))
        .ExpectLine()
        .Send("213 20240102030405.678\r\n")
        .ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    time_t time = 0;
    EXPECT_EQ(FtpGetFileTime(iface, session.connection, "a.txt", time), LPROCESS_OK);
    EXPECT_EQ(time, UtcTime(2024, 1, 2, 3, 4, 5));
    EXPECT_EQ(session.SentCommands(), (std::vector<std::string>{"FEAT", "MDTM a.txt"}));
}

TEST(FtpGetFileTime, ReadsTheModifyFactOfMlstWhenMdtmFails) {
    TimeZoneGuard zone("XYZ+3");
    PeerSession session;
    session.peer.ExpectLine()
        .Send(Feat(" MDTM\r\n MLST modify*;\r\n"))
        .ExpectLine()
        .Send("550 Not a plain file.\r\n")
        .ExpectLine()
        .Send("250-Listing a\r\n type=dir;MODIFY=20231231235958; a\r\n250 End\r\n")
        .ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    time_t time = 0;
    EXPECT_EQ(FtpGetFileTime(iface, session.connection, "a", time), LPROCESS_OK);
    EXPECT_EQ(time, UtcTime(2023, 12, 31, 23, 59, 58));
    EXPECT_EQ(session.BytesSentAfterScript(), "");
}

TEST(FtpGetFileTime, ReadsTheModifyFactOfAnMlsdOfTheParentFolder) {
    TimeZoneGuard zone("XYZ-2");
    ScriptedPeer data;
    data.Send(
        "type=file;modify=20200101000000; notes.txt\r\n"
        "type=file;modify=20210203040506; notes\r\n");
    data.Start();
    PeerSession session;
    session.peer.ExpectLine().Send(Feat(" MLSD\r\n"));
    ScriptDataCommand(session.peer, data, kStartAndEnd).ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    time_t time = 0;
    EXPECT_EQ(FtpGetFileTime(iface, session.connection, "notes", time), LPROCESS_OK);
    // The last line that holds the name.
    EXPECT_EQ(time, UtcTime(2021, 2, 3, 4, 5, 6));
    EXPECT_EQ(session.SentCommands(), (std::vector<std::string>{"FEAT", "TYPE A", "PASV", "MLSD"}));
}

TEST(FtpGetFileTime, FallsBackToAListingOfTheNameReadAsLocalTime) {
    TimeZoneGuard zone("XYZ-2");
    ScriptedPeer data;
    data.Send("-rw-r--r-- 1 ftp ftp 100 Mar 03  2015 a.txt\r\n");
    data.Start();
    PeerSession session;
    session.peer.ExpectLine()
        .Send("211 No features.\r\n")
        .ExpectLine()
        .Send("215 UNIX Type: L8\r\n");
    ScriptDataCommand(session.peer, data, kStartAndEnd).ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    time_t time = 0;
    EXPECT_EQ(FtpGetFileTime(iface, session.connection, "a.txt", time), LPROCESS_OK);
    EXPECT_EQ(time, LocalTime(2015, 3, 3, 0, 0));
    EXPECT_EQ(session.SentCommands(),
              (std::vector<std::string>{"FEAT", "SYST", "TYPE A", "PASV", "LIST a.txt*"}));
}

TEST(FtpGetFileTime, GivesNowPlusTheUtcOffsetForANameTheListingLacks) {
    TimeZoneGuard zone("XYZ-2");
    ScriptedPeer data;
    data.Send("-rw-r--r-- 1 ftp ftp 100 Mar 03  2015 a.txt.old\r\n");
    data.Start();
    PeerSession session;
    session.peer.ExpectLine()
        .Send("211 No features.\r\n")
        .ExpectLine()
        .Send("215 UNIX Type: L8\r\n");
    ScriptDataCommand(session.peer, data, kStartAndEnd).ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    time_t time = 0;
    const time_t before = std::time(nullptr);
    EXPECT_EQ(FtpGetFileTime(iface, session.connection, "a.txt", time), LPROCESS_OK);
    const time_t after = std::time(nullptr);
    // Two hours east of UTC.
    EXPECT_GE(time, before + 7200);
    EXPECT_LE(time, after + 7200);
    EXPECT_EQ(session.BytesSentAfterScript(), "");
}

TEST(FtpGetFileTime, MakesTheListingMsDosStyleOnAWindowsServerFirst) {
    ScriptedPeer data;
    data.Send("01-15-09  12:30PM                  512 a.txt\r\n");
    data.Start();
    PeerSession session;
    session.peer.ExpectLine()
        .Send("211 No features.\r\n")
        .ExpectLine()
        .Send("215 Windows_NT\r\n")
        .ExpectLine()
        .Send("200 MSDOS-like directory output is on\r\n");
    ScriptDataCommand(session.peer, data, kStartAndEnd).ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    time_t time = 0;
    EXPECT_EQ(FtpGetFileTime(iface, session.connection, "a.txt", time), LPROCESS_OK);
    EXPECT_EQ(time, LocalTime(2009, 1, 15, 12, 30));
    EXPECT_EQ(session.SentCommands(), (std::vector<std::string>{"FEAT", "SYST", "site dirstyle",
                                                                "TYPE A", "PASV", "LIST a.txt*"}));
}

TEST(FtpGetFileTimeQuiet, GivesTheTimeFound) {
    PeerSession session;
    session.peer.ExpectLine()
        .Send(Feat(" MDTM\r\n"))
        .ExpectLine()
        .Send("213 20240102030405\r\n")
        .ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    TimeZoneGuard zone("XYZ-2");
    EXPECT_EQ(FtpGetFileTimeQuiet(session.connection, "a.txt"), UtcTime(2024, 1, 2, 3, 4, 5));
}

// ---- Kind ----

struct KindCase {
    const char* name;
    std::string mlstReply;
    int kind;
};

TEST(FtpGetItemType, ReadsTheTypeFactOfMlst) {
    const KindCase cases[] = {
        {"file", "250-Listing\r\n type=file;size=1; x\r\n250 End\r\n", kItemFile},
        {"folder", "250-Listing\r\n Type=dir;perm=el; x\r\n250 End\r\n", kItemFolder},
        {"current folder", "250-Listing\r\n type=cdir; x\r\n250 End\r\n", kItemFolder},
        {"link", "250-Listing\r\n type=OS.unix=slink:/target; x\r\n250 End\r\n", kItemLink},
        {"one line", "250 type=file; x\r\n", kItemFile},
    };
    for (const KindCase& c : cases) {
        SCOPED_TRACE(c.name);
        PeerSession session;
        session.peer.ExpectLine()
            .Send(Feat(" MLST type*;\r\n"))
            .ExpectLine()
            .Send(c.mlstReply)
            .ReceiveUntilClosed();
        ASSERT_TRUE(session.Connect());
        LProcessInterfaceVoidInstance iface;
        int kind = -1;
        EXPECT_EQ(FtpGetItemType(iface, session.connection, "x", kind), LPROCESS_OK);
        EXPECT_EQ(kind, c.kind);
        EXPECT_EQ(session.BytesSentAfterScript(), "");
        EXPECT_FALSE(session.connection.features & kFeatMlstRefused);
    }
}

TEST(FtpGetItemType, TakesAFolderFromAnAcceptedMlsdAfterARefusedMlst) {
    ScriptedPeer data;
    data.Send("type=file;size=1; inside.txt\r\n");
    data.Start();
    PeerSession session;
    session.peer.ExpectLine()
        .Send(Feat(" MLST type*;\r\n MLSD\r\n"))
        .ExpectLine()
        .Send("500 MLST not understood.\r\n");
    ScriptDataCommand(session.peer, data, kStartAndEnd).ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    int kind = -1;
    EXPECT_EQ(FtpGetItemType(iface, session.connection, "sub", kind), LPROCESS_OK);
    EXPECT_EQ(kind, kItemFolder);
    EXPECT_TRUE(session.connection.features & kFeatMlstRefused);
    EXPECT_FALSE(session.connection.features & kFeatMlsdRefused);
    EXPECT_EQ(session.SentCommands(),
              (std::vector<std::string>{"FEAT", "MLST sub", "TYPE A", "PASV", "MLSD sub"}));
}

struct ListedKindCase {
    const char* name;
    std::string asked;
    int kind;
    LProcessResult result;
};

TEST(FtpGetItemType, FallsBackToAListingOfTheCurrentFolder) {
    const std::string listing =
        "drwxr-xr-x 2 ftp ftp 4096 Mar 03  2015 src\r\n"
        "-rw-r--r-- 1 ftp ftp 12 Mar 03  2015 notes.txt\r\n"
        "lrwxrwxrwx 1 ftp ftp 7 Mar 03  2015 www -> public\r\n";
    const ListedKindCase cases[] = {
        {"folder", "src", kItemFolder, LPROCESS_OK},
        {"file", "notes.txt", kItemFile, LPROCESS_OK},
        {"link named as listed", "www -> public", kItemLink, LPROCESS_OK},
        {"exact case only", "SRC", kItemUnknown, LPROCESS_FAILED},
        {"missing", "gone", kItemUnknown, LPROCESS_FAILED},
    };
    for (const ListedKindCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPeer data;
        data.Send(listing);
        data.Start();
        PeerSession session;
        session.peer.ExpectLine().Send("211 No features.\r\n");
        ScriptDataCommand(session.peer, data, kStartAndEnd).ReceiveUntilClosed();
        ASSERT_TRUE(session.Connect());
        LProcessInterfaceVoidInstance iface;
        int kind = -1;
        EXPECT_EQ(FtpGetItemType(iface, session.connection, c.asked, kind), c.result);
        EXPECT_EQ(kind, c.kind);
        EXPECT_EQ(session.SentCommands(),
                  (std::vector<std::string>{"FEAT", "TYPE A", "PASV", "LIST ."}));
    }
}

TEST(FtpGetItemType, SkipsCommandsTheServerRefusedBefore) {
    ScriptedPeer data;
    data.Send("drwxr-xr-x 2 ftp ftp 4096 Mar 03  2015 src\r\n");
    data.Start();
    PeerSession session;
    ScriptDataCommand(session.peer, data, kStartAndEnd).ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    session.connection.features =
        kFeatQueried | kFeatMlstType | kFeatMlsd | kFeatMlstRefused | kFeatMlsdRefused;
    EXPECT_TRUE(FtpIsFolderQuiet(session.connection, "src"));
    EXPECT_EQ(session.SentCommands(), (std::vector<std::string>{"TYPE A", "PASV", "LIST ."}));
}

TEST(FtpIsFolderQuiet, CountsALinkAsAFolder) {
    PeerSession session;
    session.peer.ExpectLine()
        .Send(Feat(" MLST type*;\r\n"))
        .ExpectLine()
        .Send("250-Listing\r\n type=OS.unix=slink:/x; www\r\n250 End\r\n")
        .ExpectLine()
        .Send("250-Listing\r\n type=file; a.txt\r\n250 End\r\n")
        .ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    EXPECT_TRUE(FtpIsFolderQuiet(session.connection, "www"));
    EXPECT_FALSE(FtpIsFolderQuiet(session.connection, "a.txt"));
    EXPECT_EQ(session.BytesSentAfterScript(), "");
}

}  // namespace
