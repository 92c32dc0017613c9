// The main session against a scripted server: login prompt, connect dialog, log lines, start
// directory, disconnect, keep-alive. The engine against real servers, plain and over TLS 1.3 and
// 1.2: logon, directories, a listing through a (protected) data connection, FEAT, SYST, QUIT.
#include "ftp/ftp_session.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ftp/control_channel.h"
#include "ftp/current_directory.h"
#include "ftp/ftp_features.h"
#include "ftp/passive.h"
#include "ftp/remote_listing.h"
#include "ftp/server_features.h"
#include "net/tls_binding.h"
#include "servers/peer_script.h"
#include "servers/real_server.h"
#include "support/log_tail.h"
#include "support/scripted_ui.h"

namespace {

const std::string kPassword = "S3cr3t-pw";
const std::string kCheck = "Please check that the server address is correct or the firewall";

class CountingFtpList : public LFtpList {
public:
    using LFtpList::LFtpList;
    int connectFailures = 0;

protected:
    void OnConnectFailed() override { ++connectFailures; }
};

// The server greets, then reads a command before each reply.
ScriptedPeer& Serve(ScriptedPeer& server, const std::vector<std::string>& replies) {
    server.Send("220 Hi\r\n");
    for (const std::string& reply : replies) {
        server.ExpectLine().Send(reply + "\r\n");
    }
    return server;
}

class Session : public testing::Test {
protected:
    bool Connect(const std::string& password = kPassword, const std::string& directory = "") {
        peer.Start();
        return pane->Connect(peer.hostText(), "u", password, directory, false);
    }
    void TearDown() override { EXPECT_FALSE(log.Contains(kPassword)); }

    ScriptedPeer peer;
    ScriptedUiServices ui;
    ScriptedProcessLauncher launcher;
    std::unique_ptr<CountingFtpList> pane = std::make_unique<CountingFtpList>(ui, launcher);
    LogTail log;
};

TEST_F(Session, ACancelledLoginPromptConnectsToNothing) {
    ui.loginAccepted = false;
    EXPECT_FALSE(pane->Connect("ftp.example.com:2121", "u", "", "", false));
    ASSERT_EQ(ui.loginRequests.size(), 1u);
    EXPECT_EQ(ui.loginRequests[0].server + " " + ui.loginRequests[0].user,
              "ftp.example.com:2121 u");
    EXPECT_EQ(launcher.titles.size() + pane->connectFailures, 0u);
    pane->Disconnect();  // without a connection: nothing to say
    EXPECT_EQ(log.Text(), "");
}

TEST_F(Session, LogsOnWithThePromptsPasswordAndChangesToTheStartDirectory) {
    Serve(peer, {"331 P", "230 In", "250 OK.", "257 \"/pub/\" is it."}).ReceiveUntilClosed();
    ui.loginPassword = kPassword;
    EXPECT_TRUE(Connect("", "pub"));
    EXPECT_EQ(ui.loginRequests.size(), 1u);
    EXPECT_EQ(launcher.titles, std::vector<std::string>{"FTP Connect"});
    EXPECT_TRUE(pane->connected);
    EXPECT_EQ(pane->host, peer.hostText());
    EXPECT_EQ(pane->remoteDir, "/pub/");  // in the server's form
    EXPECT_EQ(peer.ReceivedLines(),
              (std::vector<std::string>{"USER u", "PASS " + kPassword, "CWD pub", "PWD"}));
    const std::string text = log.Text();
    const std::size_t connecting = text.find("Connecting to server: " + peer.hostText() + ".");
    const std::size_t connected = text.find("Connected OK.");
    EXPECT_TRUE(connecting < connected && connected < text.find("Changing directory...")) << text;
}

TEST_F(Session, ReportsAFailedLogon) {
    Serve(peer, {"331 P", "530 Login incorrect."}).ReceiveUntilClosed();
    EXPECT_FALSE(Connect(kPassword, "/pub"));
    EXPECT_EQ(pane->host + std::to_string(pane->connected) + std::to_string(pane->connectFailures),
              "01");
    EXPECT_EQ(launcher.LastRun().errors, std::vector<std::string>{"Unable to log onto server."});
    EXPECT_TRUE(log.Contains(kCheck) && !log.Contains("Connected OK."));
}

TEST_F(Session, TreatsACancelledConnectAsAFailure) {
    peer.HoldOpen();  // never greets
    peer.Start();
    StopOnStatusLauncher stopper(1, "Logon...");  // Cancel pressed at the logon step
    CountingFtpList cancelled(ui, stopper);
    EXPECT_FALSE(cancelled.Connect(peer.hostText(), "u", kPassword, "", false));
    EXPECT_TRUE(stopper.recording.errors.empty());
    EXPECT_EQ(cancelled.connectFailures, 1);
    EXPECT_TRUE(log.Contains(kCheck));
}

// QUIT to the old server on connecting to another; none when the pane goes away.
TEST_F(Session, DisconnectsWithQuitButClosesWithoutItWhenDestroyed) {
    Serve(peer, {"331 P", "230 In", "250 OK.", "257 \"/\"", "221 Bye."}).ReceiveUntilClosed();
    ScriptedPeer second;
    Serve(second, {"331 P", "230 In", "250 OK.", "257 \"/\""}).ReceiveUntilClosed();
    second.Start();
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(pane->Connect(second.hostText(), "v", kPassword, "", false));
    peer.Wait();
    EXPECT_EQ(peer.ReceivedLines().back() + peer.ReceivedBytes(), "QUIT");
    EXPECT_TRUE(log.Contains("Disconnected from server."));
    EXPECT_EQ(pane->host, second.hostText());
    pane.reset();
    second.Wait();
    EXPECT_EQ(second.ReceivedLines().back() + second.ReceivedBytes(), "PWD");
}

TEST_F(Session, KeepAliveNoticesThatTheServerHasGone) {
    Serve(peer, {"331 P", "230 In", "250 OK.", "257 \"/\""}).Close();
    ASSERT_TRUE(Connect());
    peer.Wait();
    LogTail after;
    pane->KeepAlive();
    EXPECT_FALSE(pane->connected || pane->quiet);
    EXPECT_TRUE(after.Contains("The server has timed out the connection."));
    // Quiet silences the status texts only.
    EXPECT_FALSE(after.Contains("Changing directory..."));
    EXPECT_TRUE(after.Contains("Unable to change to the directory."));
}

// A start directory that cannot be shown falls back to the root; the keep-alive checks it
// without a word in the log. Its stop and its waits are the window's idle interface's.
TEST_F(Session, FallsBackToTheRootAndKeepsAliveQuietly) {
    Serve(peer, {"331 P", "230 In", "550 No.", "250 OK.", "257 \"/\"", "250 OK.", "257 \"/\""})
        .ReceiveUntilClosed();
    ASSERT_TRUE(Connect(kPassword, "/gone"));
    EXPECT_EQ(pane->remoteDir, "/");
    LogTail after;
    RecordingProcessInterface idle;
    idle.RequestStop();
    pane->SetIdleInterface(&idle);
    pane->KeepAlive();  // stopped: sends nothing and concludes nothing
    pane->SetIdleInterface(nullptr);
    pane->KeepAlive();
    EXPECT_TRUE(pane->connected && !pane->quiet);
    EXPECT_EQ(after.Text(), "");
    const std::vector<std::string> sent = peer.ReceivedLines();
    EXPECT_EQ(std::vector<std::string>(sent.begin() + 2, sent.end()),
              (std::vector<std::string>{"CWD /gone", "CWD /", "PWD", "CWD /", "PWD"}));
}

// pyftpdlib offers MLSD without naming it in FEAT.
constexpr std::uint32_t kPyftpdFeatures = kFeatQueried | kFeatSize | kFeatMdtm | kFeatMfmt |
                                          kFeatMlstType | kFeatMlstSize | kFeatMlstModify |
                                          kFeatSystAsked;

// Expects secret-plans.txt in the listing of `folder`; gives the features learnt, or the
// logon's error.
std::string TalkTo(const std::string& host, const std::string& user, const std::string& password,
                   bool tls, const std::string& version, const std::string& folder) {
    RecordingProcessInterface iface;
    LSecureSocket connection;
    FtpConnectRequest request{&connection, host, user, password, tls};
    if (FtpConnect(iface, request) != LPROCESS_OK) {
        return iface.errors.empty() ? "no error" : iface.errors[0];
    }
    EXPECT_EQ(TlsVersionText(connection), version);
    std::string directory = folder;
    EXPECT_EQ(FtpChangeDirectoryStep(iface, connection, directory), LPROCESS_OK);
    EXPECT_EQ(directory, folder);
    std::vector<std::string> pieces;
    EXPECT_EQ(FtpDataCommand(iface, connection, "LIST\r\n", pieces), LPROCESS_OK);
    pieces.push_back("");
    EXPECT_NE(pieces[0].find("secret-plans.txt"), std::string::npos) << pieces[0];
    EXPECT_EQ(FtpQueryFeatures(iface, connection), LPROCESS_OK);
    EXPECT_EQ(FtpPrepareDirStyle(iface, connection), LPROCESS_OK);
    directory = "missing";
    EXPECT_EQ(FtpChangeDirectoryStep(iface, connection, directory), LPROCESS_FAILED);
    EXPECT_EQ(iface.errors, std::vector<std::string>{"Unable to change to the directory."});
    EXPECT_EQ(FtpQuit(iface, connection), LPROCESS_OK);
    return std::to_string(connection.features);
}

class RealSession : public RealServerTest {};

TEST_P(RealSession, LogsOnListsAndQuits) {
    RealServer& s = server();
    ASSERT_TRUE(s.MakeFile("secret-plans.txt", "x"));
    const std::uint32_t features =
        s.IsPyftpd() ? kPyftpdFeatures : kFeatQueried | kFeatSize | kFeatMdtm | kFeatSystAsked;
    for (const bool tls12 : {false, true}) {
        SetTlsCappedAtTls12(tls12);
        const std::string version = !s.tls() ? "" : tls12 ? "TLSv1.2" : "TLSv1.3";
        EXPECT_EQ(TalkTo(s.hostText(), s.user(), s.password(), s.tls(), version, s.remoteFolder()),
                  std::to_string(features));
        SetTlsCappedAtTls12(false);
    }
    if (s.IsPyftpd()) {
        EXPECT_EQ(TalkTo(s.hostText(), s.user(), "wrong", s.tls(), "", ""),
                  "Unable to log onto server.");
    }
}

// A listing stopped halfway reads the reply the server owes, so the same session goes on: the
// next command reads its own reply and the next listing is whole.
TEST_P(RealSession, AListingStoppedHalfwayLeavesTheSessionInStep) {
    RealServer& s = server();
    for (int i = 0; i < 2000; ++i) {
        ASSERT_TRUE(s.MakeFile("file" + std::to_string(i), "x"));
    }
    RecordingProcessInterface iface, stopping;
    LSecureSocket connection;
    ASSERT_EQ(FtpConnect(iface, {&connection, s.hostText(), s.user(), s.password(), s.tls()}),
              LPROCESS_OK);
    std::string folder = s.remoteFolder(), where;
    ASSERT_EQ(FtpChangeDirectoryStep(iface, connection, folder), LPROCESS_OK);
    stopping.StopAtStatus(0, "100 objects");
    EXPECT_EQ(FtpDirList(stopping, connection).result, LPROCESS_STOPPED);
    EXPECT_EQ(FtpGetCurrentDirectory(iface, connection, where), LPROCESS_OK);
    EXPECT_EQ(where, folder);
    FtpDirList list(iface, connection);
    EXPECT_EQ(list.result, LPROCESS_OK);
    int files = 0;
    for (; !list.AtEnd(); list.Next()) {
        files += std::string(list.CurrentName()).starts_with("file");
    }
    EXPECT_EQ(files, 2000);
}

INSTANTIATE_TEST_SUITE_P(Servers, RealSession, testing::ValuesIn(kAllServers), ServerCaseName);

}  // namespace
