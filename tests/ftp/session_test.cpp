// The main session: connect with its login prompt and log lines, disconnect, keep-alive.
#include "ftp/ftp_session.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "ftp/ftp_test_support.h"
#include "support/scripted_ui.h"

namespace {

const std::string kPassword = "S3cr3t-pw";

// A pane whose listing the test decides, so the scripts end with the logon.
class TestFtpList : public LFtpList {
public:
    using LFtpList::LFtpList;

    std::vector<std::string> refreshed;
    std::deque<bool> refreshResults;
    int connectFailures = 0;

protected:
    bool RefreshRemote() override {
        refreshed.push_back(remoteDir);
        if (refreshResults.empty()) {
            return true;
        }
        bool result = refreshResults.front();
        refreshResults.pop_front();
        return result;
    }
    void OnConnectFailed() override { ++connectFailures; }
};

ScriptedPeer& ScriptLogon(ScriptedPeer& peer, const std::string& passReply = "230 Logged in.\r\n") {
    return peer.Send("220 Ready\r\n")
        .ExpectLine()
        .Send("331 Password required.\r\n")
        .ExpectLine()
        .Send(passReply);
}

// Nothing the session showed or logged holds the password.
void ExpectNoPassword(ScriptedProcessLauncher& launcher, const LogTail& log) {
    EXPECT_FALSE(log.Contains(kPassword));
    for (const auto& run : launcher.runs) {
        for (const auto& status : run->statusTexts) {
            EXPECT_EQ(status.text.find(kPassword), std::string::npos) << status.text;
        }
        for (const std::string& error : run->errors) {
            EXPECT_EQ(error.find(kPassword), std::string::npos) << error;
        }
    }
}

TEST(LFtpListConnect, AsksForTheLoginWhenThePasswordIsEmptyEvenWithAUserName) {
    ScriptedUiServices ui;
    ui.loginAccepted = false;
    ScriptedProcessLauncher launcher;
    TestFtpList pane(ui, launcher);
    EXPECT_FALSE(pane.Connect("ftp.example.com:2121", "u", "", "", false));
    ASSERT_EQ(ui.loginRequests.size(), 1u);
    EXPECT_EQ(ui.loginRequests[0].server, "ftp.example.com:2121");
    EXPECT_EQ(ui.loginRequests[0].user, "u");
    // A cancelled prompt connects to nothing.
    EXPECT_TRUE(launcher.titles.empty());
    EXPECT_FALSE(pane.connected);
    EXPECT_EQ(pane.connectFailures, 0);
}

TEST(LFtpListConnect, LogsOnWithWhatTheLoginPromptGave) {
    ScriptedPeer peer;
    ScriptLogon(peer).HoldOpen();
    peer.Start();
    ScriptedUiServices ui;
    ui.loginPassword = kPassword;
    ScriptedProcessLauncher launcher;
    TestFtpList pane(ui, launcher);
    LogTail log;
    EXPECT_TRUE(pane.Connect(peer.hostText(), "u", "", "", false));
    EXPECT_EQ(ui.loginRequests.size(), 1u);
    EXPECT_EQ(peer.ReceivedLines(), (std::vector<std::string>{"USER u", "PASS " + kPassword}));
    ExpectNoPassword(launcher, log);
}

TEST(LFtpListConnect, ConnectsUnderTheConnectDialogAndLogsIt) {
    ScriptedPeer peer;
    ScriptLogon(peer).HoldOpen();
    peer.Start();
    ScriptedUiServices ui;
    ScriptedProcessLauncher launcher;
    TestFtpList pane(ui, launcher);
    LogTail log;
    EXPECT_TRUE(pane.Connect(peer.hostText(), "u", kPassword, "", false));
    EXPECT_TRUE(ui.loginRequests.empty());
    EXPECT_EQ(launcher.titles, std::vector<std::string>{"FTP Connect"});
    EXPECT_TRUE(pane.connected);
    EXPECT_GE(pane.connection.fd, 0);
    EXPECT_EQ(pane.host, peer.hostText());
    EXPECT_EQ(pane.remoteDir, "/");
    EXPECT_EQ(pane.refreshed, std::vector<std::string>{"/"});
    const std::string text = log.Text();
    const std::size_t connecting = text.find("Connecting to server: " + peer.hostText() + ".");
    const std::size_t connected = text.find("Connected OK.");
    EXPECT_NE(connecting, std::string::npos) << text;
    EXPECT_NE(connected, std::string::npos) << text;
    EXPECT_LT(connecting, connected);
    EXPECT_EQ(peer.ReceivedLines(), (std::vector<std::string>{"USER u", "PASS " + kPassword}));
    ExpectNoPassword(launcher, log);
}

TEST(LFtpListConnect, FallsBackToTheRootWhenTheStartDirectoryCannotBeShown) {
    ScriptedPeer peer;
    ScriptLogon(peer).HoldOpen();
    peer.Start();
    ScriptedUiServices ui;
    ScriptedProcessLauncher launcher;
    TestFtpList pane(ui, launcher);
    pane.refreshResults = {false, true};
    EXPECT_TRUE(pane.Connect(peer.hostText(), "u", kPassword, "/pub", false));
    EXPECT_EQ(pane.refreshed, (std::vector<std::string>{"/pub", "/"}));
    EXPECT_EQ(pane.remoteDir, "/");
    EXPECT_TRUE(pane.connected);
}

TEST(LFtpListConnect, ReportsAFailedLogon) {
    ScriptedPeer peer;
    ScriptLogon(peer, "530 Login incorrect.\r\n").HoldOpen();
    peer.Start();
    ScriptedUiServices ui;
    ScriptedProcessLauncher launcher;
    TestFtpList pane(ui, launcher);
    LogTail log;
    EXPECT_FALSE(pane.Connect(peer.hostText(), "u", kPassword, "/pub", false));
    EXPECT_FALSE(pane.connected);
    EXPECT_EQ(pane.connectFailures, 1);
    EXPECT_TRUE(pane.refreshed.empty());
    EXPECT_EQ(pane.host, "");
    ASSERT_EQ(launcher.runs.size(), 1u);
    EXPECT_EQ(launcher.LastRun().errors, std::vector<std::string>{"Unable to log onto server."});
    EXPECT_TRUE(log.Contains(
        "Please check that the server address is correct or the firewall is not turned on."));
    EXPECT_FALSE(log.Contains("Connected OK."));
    ExpectNoPassword(launcher, log);
}

TEST(LFtpListConnect, TreatsACancelledConnectAsAFailure) {
    ScriptedPeer peer;
    peer.HoldOpen();  // never greets
    peer.Start();
    ScriptedUiServices ui;
    ScriptedProcessLauncher launcher;
    launcher.prepare = [](RecordingProcessInterface& iface) {
        iface.StopAfter(std::chrono::milliseconds(300));
    };
    TestFtpList pane(ui, launcher);
    LogTail log;
    EXPECT_FALSE(pane.Connect(peer.hostText(), "u", kPassword, "", false));
    EXPECT_EQ(launcher.results, std::vector<LProcessResult>{LPROCESS_STOPPED});
    EXPECT_TRUE(launcher.LastRun().errors.empty());
    EXPECT_EQ(pane.connectFailures, 1);
    EXPECT_TRUE(log.Contains(
        "Please check that the server address is correct or the firewall is not turned on."));
}

TEST(LFtpListConnect, ChangesToTheStartDirectoryInTheServersForm) {
    ScriptedPeer peer;
    ScriptLogon(peer)
        .ExpectLine()
        .Send("250 OK.\r\n")
        .ExpectLine()
        .Send("257 \"/pub/\" is current.\r\n")
        .HoldOpen();
    peer.Start();
    ScriptedUiServices ui;
    ScriptedProcessLauncher launcher;
    LFtpList pane(ui, launcher);
    LogTail log;
    EXPECT_TRUE(pane.Connect(peer.hostText(), "u", kPassword, "pub", false));
    EXPECT_EQ(pane.remoteDir, "/pub/");
    EXPECT_EQ(peer.ReceivedLines(),
              (std::vector<std::string>{"USER u", "PASS " + kPassword, "CWD pub", "PWD"}));
    // The pane's own status texts go to the log while it is not quiet.
    EXPECT_TRUE(log.Contains("Changing directory..."));
}

TEST(LFtpListConnect, DisconnectsAnOpenSessionFirst) {
    ScriptedPeer first;
    ScriptLogon(first).ExpectLine().Send("221 Bye.\r\n").ReceiveUntilClosed();
    ScriptedPeer second;
    ScriptLogon(second).HoldOpen();
    first.Start();
    second.Start();
    ScriptedUiServices ui;
    ScriptedProcessLauncher launcher;
    TestFtpList pane(ui, launcher);
    ASSERT_TRUE(pane.Connect(first.hostText(), "u", kPassword, "", false));
    ASSERT_TRUE(pane.Connect(second.hostText(), "v", kPassword, "", false));
    first.Wait();
    EXPECT_EQ(first.ReceivedLines(),
              (std::vector<std::string>{"USER u", "PASS " + kPassword, "QUIT"}));
    EXPECT_EQ(pane.host, second.hostText());
}

TEST(LFtpListDisconnect, LogsAndSendsQuit) {
    ScriptedPeer peer;
    ScriptLogon(peer).ExpectLine().Send("221 Bye.\r\n").ReceiveUntilClosed();
    peer.Start();
    ScriptedUiServices ui;
    ScriptedProcessLauncher launcher;
    TestFtpList pane(ui, launcher);
    ASSERT_TRUE(pane.Connect(peer.hostText(), "u", kPassword, "", false));
    LogTail log;
    pane.Disconnect();
    EXPECT_EQ(pane.connection.fd, -1);
    EXPECT_TRUE(log.Contains("Disconnected from server."));
    peer.Wait();
    EXPECT_EQ(peer.ReceivedLines().back(), "QUIT");
    EXPECT_EQ(peer.ReceivedBytes(), "");
}

TEST(LFtpListDisconnect, DoesNothingWithoutAConnection) {
    ScriptedUiServices ui;
    ScriptedProcessLauncher launcher;
    TestFtpList pane(ui, launcher);
    LogTail log;
    pane.Disconnect();
    EXPECT_FALSE(log.Contains("Disconnected from server."));
}

TEST(LFtpList, ClosesItsConnectionWithoutQuitWhenDestroyed) {
    ScriptedPeer peer;
    ScriptLogon(peer).ReceiveUntilClosed();
    peer.Start();
    ScriptedUiServices ui;
    ScriptedProcessLauncher launcher;
    auto pane = std::make_unique<TestFtpList>(ui, launcher);
    ASSERT_TRUE(pane->Connect(peer.hostText(), "u", kPassword, "", false));
    pane.reset();
    peer.Wait();
    EXPECT_EQ(peer.ReceivedBytes(), "");
}

TEST(LFtpListKeepAlive, NoticesThatTheServerHasGone) {
    ScriptedPeer peer;
    ScriptLogon(peer).Close();
    peer.Start();
    ScriptedUiServices ui;
    ScriptedProcessLauncher launcher;
    TestFtpList pane(ui, launcher);
    ASSERT_TRUE(pane.Connect(peer.hostText(), "u", kPassword, "", false));
    peer.Wait();
    LogTail log;
    pane.KeepAlive();
    EXPECT_FALSE(pane.connected);
    EXPECT_FALSE(pane.quiet);
    EXPECT_TRUE(log.Contains("The server has timed out the connection."));
    // Quiet silences the status texts only.
    EXPECT_FALSE(log.Contains("Changing directory..."));
    EXPECT_TRUE(log.Contains("Unable to change to the directory."));
}

TEST(LFtpListKeepAlive, LeavesALiveConnectionConnectedAndTheLogQuiet) {
    ScriptedPeer peer;
    ScriptLogon(peer)
        .ExpectLine()
        .Send("250 OK.\r\n")
        .ExpectLine()
        .Send("257 \"/\" is current.\r\n")
        .HoldOpen();
    peer.Start();
    ScriptedUiServices ui;
    ScriptedProcessLauncher launcher;
    TestFtpList pane(ui, launcher);
    ASSERT_TRUE(pane.Connect(peer.hostText(), "u", kPassword, "", false));
    LogTail log;
    pane.KeepAlive();
    EXPECT_TRUE(pane.connected);
    EXPECT_FALSE(pane.quiet);
    EXPECT_EQ(pane.remoteDir, "/");
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(peer.ReceivedLines(),
              (std::vector<std::string>{"USER u", "PASS " + kPassword, "CWD /", "PWD"}));
}

TEST(LFtpList, WritesItsTextsToTheLogAndCannotBeStopped) {
    ScriptedUiServices ui;
    ScriptedProcessLauncher launcher;
    TestFtpList pane(ui, launcher);
    LogTail log;
    pane.SetStatusText("Shown while not quiet", 1);
    pane.quiet = true;
    pane.SetStatusText("Hidden while quiet", 0);
    pane.ReportError("An error even while quiet");
    EXPECT_TRUE(log.Contains("Shown while not quiet"));
    EXPECT_FALSE(log.Contains("Hidden while quiet"));
    EXPECT_TRUE(log.Contains("An error even while quiet"));
    EXPECT_FALSE(pane.IsStopped());
}

}  // namespace
