// What the engine learns from FEAT and SYST, and the directory-style switch.
#include "ftp/server_features.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ftp/ftp_features.h"
#include "ftp/ftp_test_support.h"
#include "support/scripted_ui.h"

namespace {

struct FeatCase {
    const char* name;
    std::string reply;
    std::uint32_t features;
};

TEST(FtpQueryFeatures, SetsTheBitsOfTheOfferedFeatures) {
    const FeatCase cases[] = {
        {"enabled facts", "211-Features:\r\n MLST type*;size*;modify*;\r\n211 End\r\n",
         kFeatQueried | kFeatMlstType | kFeatMlstSize | kFeatMlstModify},
        {"facts not enabled", "211-Features:\r\n MLST type;size;modify;\r\n211 End\r\n",
         kFeatQueried},
        {"one enabled fact", "211-Features:\r\n MLST type;size*;modify;perm*;\r\n211 End\r\n",
         kFeatQueried | kFeatMlstSize},
        // Facts count only on the MLST line.
        {"facts elsewhere", "211-Features:\r\n XFCT type*;size*;modify*;\r\n211 End\r\n",
         kFeatQueried},
        {"MLSD", "211-Features:\r\n MLSD\r\n211 End\r\n", kFeatQueried | kFeatMlsd},
        {"MDTM", "211-Features:\r\n MDTM\r\n211 End\r\n", kFeatQueried | kFeatMdtm},
        {"MFMT", "211-Features:\r\n MFMT\r\n211 End\r\n", kFeatQueried | kFeatMfmt},
        {"SIZE", "211-Features:\r\n SIZE\r\n211 End\r\n", kFeatQueried | kFeatSize},
        {"case-sensitive", "211-Features:\r\n mdtm\r\n size\r\n mlsd\r\n211 End\r\n", kFeatQueried},
        {"several on one line", "211-Features:\r\n SIZE MDTM\r\n211 End\r\n",
         kFeatQueried | kFeatSize | kFeatMdtm},
        {"nothing offered", "211 No features.\r\n", kFeatQueried},
        {"refused", "500 FEAT not understood.\r\n", kFeatSize},
        {"refused at length", "502-Not here\r\n MDTM\r\n502 End\r\n", kFeatSize},
    };
    for (const FeatCase& c : cases) {
        SCOPED_TRACE(c.name);
        PeerSession session;
        session.peer.ExpectLine().Send(c.reply).HoldOpen();
        ASSERT_TRUE(session.Connect());
        RecordingProcessInterface iface;
        EXPECT_EQ(FtpQueryFeatures(iface, session.connection), LPROCESS_OK);
        EXPECT_EQ(session.connection.features, c.features);
        EXPECT_EQ(session.peer.ReceivedLines(), std::vector<std::string>{"FEAT"});
        EXPECT_TRUE(iface.errors.empty());
    }
}

TEST(FtpQueryFeatures, AsksOncePerConnection) {
    PeerSession session;
    session.peer.ExpectLine().Send("211-Features:\r\n SIZE\r\n211 End\r\n").ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    EXPECT_EQ(FtpQueryFeatures(iface, session.connection), LPROCESS_OK);
    EXPECT_EQ(FtpQueryFeatures(iface, session.connection), LPROCESS_OK);
    EXPECT_EQ(session.SentCommands(), std::vector<std::string>{"FEAT"});
}

TEST(FtpQueryFeatures, AsksAgainAfterAFailure) {
    PeerSession session;
    session.peer.ExpectLine()
        .Send("421 Busy.\r\n")
        .ExpectLine()
        .Send("211-Features:\r\n MDTM\r\n211 End\r\n")
        .HoldOpen();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    EXPECT_EQ(FtpQueryFeatures(iface, session.connection), LPROCESS_OK);
    EXPECT_EQ(session.connection.features, kFeatSize);
    EXPECT_EQ(FtpQueryFeatures(iface, session.connection), LPROCESS_OK);
    // Bits are only ever added.
    EXPECT_EQ(session.connection.features, kFeatQueried | kFeatSize | kFeatMdtm);
    EXPECT_EQ(session.peer.ReceivedLines(), (std::vector<std::string>{"FEAT", "FEAT"}));
}

TEST(FtpQueryFeatures, IsOkWhenCancelled) {
    PeerSession session;
    session.peer.ExpectLine().HoldOpen();
    ASSERT_TRUE(session.Connect());
    RecordingProcessInterface iface;
    iface.StopAfter(std::chrono::milliseconds(300));
    EXPECT_EQ(FtpQueryFeatures(iface, session.connection), LPROCESS_OK);
    EXPECT_EQ(session.connection.features, kFeatSize);
}

struct SystCase {
    const char* name;
    std::string reply;
    bool windowsNt;
};

TEST(FtpPrepareDirStyle, RecognisesAWindowsNtServer) {
    const SystCase cases[] = {
        {"exact", "215 Windows_NT\r\n", true},
        {"lower case", "215 windows_nt\r\n", true},
        {"upper case", "215 WINDOWS_NT\r\n", true},
        {"unix", "215 UNIX Type: L8\r\n", false},
        {"more words", "215 Windows_NT version 5.0\r\n", false},
        {"other code", "200 Windows_NT\r\n", false},
        {"refused", "500 SYST not understood.\r\n", false},
    };
    for (const SystCase& c : cases) {
        SCOPED_TRACE(c.name);
        PeerSession session;
        session.peer.ExpectLine().Send(c.reply);
        if (c.windowsNt) {
            session.peer.ExpectLine().Send("200 MSDOS-like directory output is on\r\n");
        }
        session.peer.ReceiveUntilClosed();
        ASSERT_TRUE(session.Connect());
        RecordingProcessInterface iface;
        EXPECT_EQ(FtpPrepareDirStyle(iface, session.connection), LPROCESS_OK);
        EXPECT_EQ(session.connection.features,
                  kFeatSystAsked | (c.windowsNt ? kFeatWindowsNt : 0u));
        EXPECT_EQ(session.BytesSentAfterScript(), "");
        std::vector<std::string> expected = {"SYST"};
        if (c.windowsNt) {
            expected.push_back("site dirstyle");
        }
        EXPECT_EQ(session.peer.ReceivedLines(), expected);
        EXPECT_TRUE(iface.errors.empty());
    }
}

TEST(FtpPrepareDirStyle, SendsSystOncePerConnectionEvenWhenItFails) {
    PeerSession session;
    session.peer.ExpectLine().Send("502 Not implemented.\r\n").ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    EXPECT_EQ(FtpPrepareDirStyle(iface, session.connection), LPROCESS_OK);
    EXPECT_EQ(FtpPrepareDirStyle(iface, session.connection), LPROCESS_OK);
    EXPECT_EQ(session.SentCommands(), std::vector<std::string>{"SYST"});
}

struct DirStyleCase {
    const char* name;
    std::string reply;
    bool switchedBack;
};

TEST(FtpPrepareDirStyle, LeavesAWindowsServerWithMsDosListings) {
    const DirStyleCase cases[] = {
        {"now on", "200 MSDOS-like directory output is on\r\n", false},
        {"now off", "200 MSDOS-like directory output is off\r\n", true},
        {"now off, other case", "200 msdos-like DIRECTORY output is OFF\r\n", true},
        {"refused", "500 Unknown SITE command.\r\n", false},
        {"other words", "200 MSDOS-like directory output is off now\r\n", false},
    };
    for (const DirStyleCase& c : cases) {
        SCOPED_TRACE(c.name);
        PeerSession session;
        session.peer.ExpectLine().Send("215 Windows_NT\r\n").ExpectLine().Send(c.reply);
        if (c.switchedBack) {
            session.peer.ExpectLine().Send("200 MSDOS-like directory output is on\r\n");
        }
        session.peer.ReceiveUntilClosed();
        ASSERT_TRUE(session.Connect());
        LProcessInterfaceVoidInstance iface;
        EXPECT_EQ(FtpPrepareDirStyle(iface, session.connection), LPROCESS_OK);
        EXPECT_EQ(session.BytesSentAfterScript(), "");
        std::vector<std::string> expected = {"SYST", "site dirstyle"};
        if (c.switchedBack) {
            expected.push_back("site dirstyle");
        }
        EXPECT_EQ(session.peer.ReceivedLines(), expected);
    }
}

TEST(FtpPrepareDirStyle, SwitchesTheStyleBeforeEveryListingButAsksSystOnce) {
    PeerSession session;
    session.peer.ExpectLine()
        .Send("215 Windows_NT\r\n")
        .ExpectLine()
        .Send("200 MSDOS-like directory output is on\r\n")
        .ExpectLine()
        .Send("200 MSDOS-like directory output is off\r\n")
        .ExpectLine()
        .Send("200 MSDOS-like directory output is on\r\n")
        .ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    LProcessInterfaceVoidInstance iface;
    EXPECT_EQ(FtpPrepareDirStyle(iface, session.connection), LPROCESS_OK);
    EXPECT_EQ(FtpPrepareDirStyle(iface, session.connection), LPROCESS_OK);
    EXPECT_EQ(session.BytesSentAfterScript(), "");
    EXPECT_EQ(
        session.peer.ReceivedLines(),
        (std::vector<std::string>{"SYST", "site dirstyle", "site dirstyle", "site dirstyle"}));
}

TEST(FtpPrepareDirStyle, ReturnsCancelledWhenStoppedDuringSyst) {
    PeerSession session;
    session.peer.ExpectLine().HoldOpen();
    ASSERT_TRUE(session.Connect());
    RecordingProcessInterface iface;
    iface.StopAfter(std::chrono::milliseconds(300));
    EXPECT_EQ(FtpPrepareDirStyle(iface, session.connection), LPROCESS_STOPPED);
}

TEST(FtpPrepareDirStyle, ReturnsCancelledWhenStoppedDuringTheStyleSwitch) {
    PeerSession session;
    session.peer.ExpectLine().Send("215 Windows_NT\r\n").ExpectLine().HoldOpen();
    ASSERT_TRUE(session.Connect());
    RecordingProcessInterface iface;
    iface.StopAfter(std::chrono::milliseconds(300));
    EXPECT_EQ(FtpPrepareDirStyle(iface, session.connection), LPROCESS_STOPPED);
}

}  // namespace
