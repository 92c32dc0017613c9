// The remote pane on a LIST-only server (links as vsftpd shows them) and on a scripted server
// whose data connection cannot be opened.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "ftp/ftp_test_support.h"
#include "servers/vsftpd_fixture.h"
#include "transfer/remote_pane.h"
#include "transfer/remote_pane_test_support.h"

namespace {

class RemotePaneOnVsftpd : public testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!server_.Start(&why)) {
            if (why == "vsftpd needs root" || why == "vsftpd is not installed") {
                GTEST_SKIP() << why;
            }
            FAIL() << why;
        }
        ASSERT_TRUE(MakeFolder(server_.pub() + "/docs"));
        ASSERT_TRUE(WriteWholeFile(server_.pub() + "/docs/inside.txt", "i"));
        ASSERT_TRUE(WriteWholeFile(server_.pub() + "/file.txt", "file content"));
        ASSERT_EQ(symlink("docs", (server_.pub() + "/lnk").c_str()), 0);
        ASSERT_EQ(symlink("file.txt", (server_.pub() + "/flink").c_str()), 0);
        ASSERT_TRUE(pane_.Connect(server_.hostText(), "anonymous", "guest", "/pub", false));
        ASSERT_EQ(pane_.remoteDir, "/pub");
    }

    // Focuses the row whose name starts with `name` (LIST shows a link with its target).
    void FocusRowStartingWith(const std::string& name) {
        for (std::size_t row = 0; row < pane_.rows().size(); ++row) {
            if (pane_.rows()[row][kRemoteColumnName].starts_with(name)) {
                pane_.SetSelection({row});
                pane_.SetFocusedRow(static_cast<int>(row));
                return;
            }
        }
        ADD_FAILURE() << "no row " << name;
    }

    VsftpdServer server_;
    ScriptedUiServices ui_;
    ScriptedProcessLauncher launcher_;
    RemotePane pane_{ui_, launcher_};
};

TEST_F(RemotePaneOnVsftpd, ShowsLinksAsLinkRows) {
    std::vector<std::string> kinds;
    for (const RemotePaneRow& row : pane_.rows()) {
        if (row[kRemoteColumnName].starts_with("lnk") ||
            row[kRemoteColumnName].starts_with("flink")) {
            kinds.push_back(row[kRemoteColumnKind]);
        }
    }
    EXPECT_EQ(kinds, (std::vector<std::string>{"Link", "Link"}))
        << ::testing::PrintToString(RowNames(pane_));
}

TEST_F(RemotePaneOnVsftpd, OpensALinkToAFolderAsAFolder) {
    FocusRowStartingWith("lnk");
    LogTail log;
    EXPECT_TRUE(pane_.OpenRemoteSelection(false));
    EXPECT_EQ(RowNames(pane_), std::vector<std::string>{"inside.txt"});
    EXPECT_TRUE(log.Contains("Attempt to open symbolic link as directory: lnk\r\n")) << log.Text();
}

TEST_F(RemotePaneOnVsftpd, OpensALinkToAFileAsAFileOnlyWhenFilesMayBeOpened) {
    FocusRowStartingWith("flink");
    LogTail log;
    EXPECT_FALSE(pane_.OpenRemoteSelection(false));
    EXPECT_EQ(pane_.remoteDir, "/pub");
    EXPECT_TRUE(log.Contains("Could not open symbolic link as directory."));
    EXPECT_TRUE(ui_.openedPaths.empty());

    FocusRowStartingWith("flink");
    EXPECT_TRUE(pane_.OpenRemoteSelection(true));
    EXPECT_TRUE(log.Contains("Attempt to open symbolic link as file: flink"));
    ASSERT_EQ(ui_.openedPaths.size(), 1u);
    EXPECT_EQ(ReadWholeFile(ui_.openedPaths[0]), "file content");
}

TEST(RemotePaneScripted, LogsAPassiveFailureAndShowsNothing) {
    PeerSession session;
    session.peer.ExpectLine()
        .Send("250 OK.\r\n")
        .ExpectLine()
        .Send("257 \"/pub\" is current.\r\n")
        .ExpectLine()
        .Send("211-Features:\r\n MLST type*;size*;modify*;\r\n211 End\r\n")
        .ExpectLine()
        .Send("200 Type set to A.\r\n")
        .ExpectLine()
        // The broadcast address never connects.
        .Send("227 Entering Passive Mode (255,255,255,255,4,1)\r\n")
        .ReceiveUntilClosed();
    session.peer.Start();
    ScriptedUiServices ui;
    ScriptedProcessLauncher launcher;
    RemotePane pane(ui, launcher);
    RecordingPaneListener listener;
    pane.SetListener(&listener);
    LProcessInterfaceVoidInstance iface;
    ASSERT_EQ(SecureConnect(iface, pane.connection, session.peer.address(), 2000), LPROCESS_OK);
    pane.connected = true;
    pane.remoteDir = "/pub";
    LogTail log;

    EXPECT_FALSE(pane.RefreshRemote());
    EXPECT_TRUE(pane.rows().empty());
    EXPECT_TRUE(pane.selection().empty());
    EXPECT_EQ(pane.history()[0], "");
    EXPECT_TRUE(listener.commands.empty());
    // Both lines, in one entry.
    EXPECT_TRUE(
        log.Contains(" Passive Connection Failed!\r\nFor help with passive connections see "
                     "https://"))
        << log.Text();
    EXPECT_TRUE(ui.alerts.empty());
    SecureClose(pane.connection);
    session.peer.Wait();
    EXPECT_EQ(session.peer.ReceivedLines(),
              (std::vector<std::string>{"CWD /pub", "PWD", "FEAT", "TYPE A", "PASV"}));
}

}  // namespace
