// Connecting and logging on against scripted servers.
#include "ftp/logon.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <optional>

#include <functional>
#include <string>
#include <vector>

#include "ftp/control_channel.h"
#include "ftp/ftp_features.h"
#include "ftp/ftp_test_support.h"
#include "support/elapsed.h"
#include "support/private_hosts.h"
#include "support/scripted_ui.h"

namespace {

struct LogonCase {
    const char* name;
    std::string userReply;
    std::string passReply;  // empty: the server expects no PASS
    LProcessResult result;
};

TEST(FtpLogon, LetsTheUserReplyDecideWhetherPassIsSent) {
    const LogonCase cases[] = {
        {"logged on by USER", "230 Logged in.\r\n", "", LPROCESS_OK},
        {"password wanted", "331 Password required.\r\n", "230 Logged in.\r\n", LPROCESS_OK},
        {"password refused", "331 Password required.\r\n", "530 Login incorrect.\r\n",
         LPROCESS_FAILED},
        {"negative USER still gets PASS", "500 What?\r\n", "230 Logged in.\r\n", LPROCESS_OK},
        {"negative USER, PASS decides", "500 What?\r\n", "500 Still no.\r\n", LPROCESS_FAILED},
        {"other code gets PASS", "332 Account?\r\n", "202 Fine.\r\n", LPROCESS_OK},
        {"user refused", "530 Not you.\r\n", "", LPROCESS_FAILED},
    };
    for (const LogonCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPeer peer;
        peer.Send("220 Ready\r\n").ExpectLine().Send(c.userReply);
        if (!c.passReply.empty()) {
            peer.ExpectLine().Send(c.passReply);
        }
        peer.ReceiveUntilClosed();
        peer.Start();
        LSecureSocket connection;
        RecordingProcessInterface iface;
        // The host text carries the port: the logon connects there, not to port 21.
        EXPECT_EQ(FtpLogon(iface, connection, peer.hostText(), "u", "p", false), c.result);
        EXPECT_TRUE(iface.errors.empty());
        SecureClose(connection);
        peer.Wait();
        std::vector<std::string> expected = {"USER u"};
        if (!c.passReply.empty()) {
            expected.push_back("PASS p");
        }
        EXPECT_EQ(peer.ReceivedLines(), expected);
        EXPECT_EQ(peer.ReceivedBytes(), "");
    }
}

TEST(FtpLogon, FailsOnAGreetingOutsideTheSuccessCodes) {
    for (const char* greeting :
         {"120 Service ready in 5 minutes.\r\n", "421 Too many.\r\n", "220-Hello\r\nWelcome\r\n"}) {
        SCOPED_TRACE(greeting);
        ScriptedPeer peer;
        peer.Send(greeting).ReceiveUntilClosed();
        peer.Start();
        LSecureSocket connection;
        LProcessInterfaceVoidInstance iface;
        EXPECT_EQ(FtpLogon(iface, connection, peer.hostText(), "u", "p", false), LPROCESS_FAILED);
        SecureClose(connection);
        peer.Wait();
        EXPECT_EQ(peer.ReceivedBytes(), "");
    }
}

TEST(FtpLogon, GoesOnInPlainTextWhenAuthTlsIsRefused) {
    ScriptedPeer peer;
    peer.Send("220-Welcome\r\n220 Ready\r\n")
        .ExpectLine()
        .Send("500 AUTH not understood.\r\n")
        .ExpectLine()
        .Send("331 Password required.\r\n")
        .ExpectLine()
        .Send("230 Logged in.\r\n")
        .HoldOpen();
    peer.Start();
    LSecureSocket connection;
    LProcessInterfaceVoidInstance iface;
    EXPECT_EQ(FtpLogon(iface, connection, peer.hostText(), "u", "p", true), LPROCESS_OK);
    EXPECT_EQ(connection.ssl, nullptr);
    EXPECT_GE(connection.fd, 0);
    EXPECT_EQ(peer.ReceivedLines(), (std::vector<std::string>{"AUTH TLS", "USER u", "PASS p"}));
}

TEST(FtpLogon, ClearsTheFeaturesAndClosesAnOldConnectionFirst) {
    ScriptedPeer old;
    old.ReceiveUntilClosed();
    ScriptedPeer peer;
    peer.Send("220 Ready\r\n").ExpectLine().Send("230 In.\r\n").HoldOpen();
    old.Start();
    peer.Start();
    LProcessInterfaceVoidInstance iface;
    LSecureSocket connection;
    ASSERT_EQ(SecureConnect(iface, connection, old.address(), 2000), LPROCESS_OK);
    connection.features = kFeatQueried | kFeatSize | kFeatSystAsked;
    EXPECT_EQ(FtpLogon(iface, connection, peer.hostText(), "u", "p", false), LPROCESS_OK);
    EXPECT_EQ(connection.features, 0u);
    // The old connection was closed without a QUIT.
    old.Wait();
    EXPECT_EQ(old.ReceivedBytes(), "");
}

// A command line too long for its buffer would reach the server without its end; it is not
// sent at all, so the logon fails at once instead of waiting for a reply that cannot come.
TEST(FtpLogon, RefusesAUserLineTooLongToSendWhole) {
    ScriptedPeer peer;
    peer.Send("220 Ready\r\n").ReceiveUntilClosed();
    peer.Start();
    LSecureSocket connection;
    RecordingProcessInterface iface;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(FtpLogon(iface, connection, peer.hostText(), std::string(300, 'u'), "p", false),
              LPROCESS_FAILED);
    EXPECT_LT(SecondsSince(start), 2.0);
    SecureClose(connection);
    peer.Wait();
    EXPECT_EQ(peer.ReceivedBytes(), "");
}

TEST(FtpConnect, ShowsItsStepsAndLogsOn) {
    ScriptedPeer peer;
    peer.Send("220 Ready\r\n")
        .ExpectLine()
        .Send("331 Password required.\r\n")
        .ExpectLine()
        .Send("230 Logged in.\r\n")
        .HoldOpen();
    peer.Start();
    LSecureSocket connection;
    FtpConnectRequest request{&connection, peer.hostText(), "u", "p", false};
    RecordingProcessInterface iface;
    EXPECT_EQ(FtpConnect(iface, request), LPROCESS_OK);
    EXPECT_GE(connection.fd, 0);
    EXPECT_TRUE(iface.errors.empty());
    EXPECT_EQ(iface.TextsOnLine(0), std::vector<std::string>{"Connecting..."});
    EXPECT_EQ(iface.TextsOnLine(1), (std::vector<std::string>{"Connecting...", "Logon..."}));
    ASSERT_GE(iface.progress.size(), 3u);
    EXPECT_EQ(std::vector<double>(iface.progress.begin(), iface.progress.begin() + 3),
              (std::vector<double>{0.1, 0.33, 0.66}));
    EXPECT_EQ(peer.ReceivedLines(), (std::vector<std::string>{"USER u", "PASS p"}));
}

TEST(FtpConnect, ReportsALogonFailureOnce) {
    ScriptedPeer peer;
    peer.Send("220 Ready\r\n").ExpectLine().Send("530 Not you.\r\n").HoldOpen();
    peer.Start();
    LSecureSocket connection;
    FtpConnectRequest request{&connection, peer.hostText(), "u", "p", false};
    RecordingProcessInterface iface;
    EXPECT_EQ(FtpConnect(iface, request), LPROCESS_FAILED);
    EXPECT_EQ(iface.errors, std::vector<std::string>{"Unable to log onto server."});
}

TEST(FtpConnect, ReportsARefusedConnectionAsALogonFailure) {
    std::string host;
    {
        ScriptedPeer gone;  // its port is free again once it is destroyed
        host = gone.hostText();
    }
    LSecureSocket connection;
    FtpConnectRequest request{&connection, host, "u", "p", false};
    RecordingProcessInterface iface;
    EXPECT_EQ(FtpConnect(iface, request), LPROCESS_FAILED);
    EXPECT_EQ(iface.errors, std::vector<std::string>{"Unable to log onto server."});
}

TEST(FtpConnect, ReportsNothingWhenCancelled) {
    ScriptedPeer peer;
    peer.HoldOpen();  // never greets
    peer.Start();
    LSecureSocket connection;
    FtpConnectRequest request{&connection, peer.hostText(), "u", "p", false};
    RecordingProcessInterface iface;
    iface.StopAfter(std::chrono::milliseconds(300));
    EXPECT_EQ(FtpConnect(iface, request), LPROCESS_STOPPED);
    EXPECT_TRUE(iface.errors.empty());
}

TEST(LProcessSecureFtpConnect, KeepsTheResultOfItsRun) {
    ScriptedPeer peer;
    peer.Send("220 Ready\r\n").ExpectLine().Send("230 In.\r\n").HoldOpen();
    peer.Start();
    LSecureSocket connection;
    FtpConnectRequest request{&connection, peer.hostText(), "u", "p", false};
    LProcessSecureFtpConnect process(&request);
    EXPECT_EQ(process.result(), LPROCESS_FAILED);
    RecordingProcessInterface iface;
    EXPECT_EQ(process.Run(iface), LPROCESS_OK);
    EXPECT_EQ(process.result(), LPROCESS_OK);
    EXPECT_GE(connection.fd, 0);
}

std::string ConnectReport(const std::string& host) {
    LSecureSocket connection;
    FtpConnectRequest request{&connection, host, "u", "p", false};
    RecordingProcessInterface iface;
    LProcessResult result = FtpConnect(iface, request);
    std::string report = std::to_string(result);
    for (const std::string& error : iface.errors) {
        report += "|" + error;
    }
    for (const std::string& text : iface.TextsOnLine(1)) {
        report += "|" + text;
    }
    return report;
}

TEST(FtpConnect, ReportsAHostThatDoesNotResolve) {
    std::optional<std::string> report = RunWithPrivateHosts(
        "127.0.0.1 localhost\n", [] { return ConnectReport("nowhere.test:2121"); });
    if (!report) {
        GTEST_SKIP() << "no permission for a private mount namespace";
    }
    // No logon step follows.
    EXPECT_EQ(report,
              std::to_string(LPROCESS_FAILED) + "|Unable to connect to server.|Connecting...");
}

TEST(FtpConnect, ConnectsToTheNamedHostOnTheGivenPort) {
    ScriptedPeer peer;
    peer.Send("220 Ready\r\n").ExpectLine().Send("230 In.\r\n").HoldOpen();
    peer.Start();
    const std::string host = "ftp.test:" + std::to_string(peer.port());
    std::optional<std::string> report =
        RunWithPrivateHosts("127.0.0.1 localhost ftp.test\n", [&] { return ConnectReport(host); });
    if (!report) {
        GTEST_SKIP() << "no permission for a private mount namespace";
    }
    EXPECT_EQ(report, std::to_string(LPROCESS_OK) + "|Connecting...|Logon...");
    EXPECT_EQ(peer.ReceivedLines(), std::vector<std::string>{"USER u"});
}

}  // namespace
