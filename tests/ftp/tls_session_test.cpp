// Explicit TLS against real servers: the control connection after AUTH TLS, and protected data
// connections that resume the control connection's session (vsftpd insists on that).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ftp/control_channel.h"
#include "ftp/current_directory.h"
#include "ftp/logon.h"
#include "ftp/passive.h"
#include "net/tls_binding.h"
#include "servers/pyftpd_fixture.h"
#include "servers/scripted_peer.h"
#include "servers/vsftpd_fixture.h"
#include "support/scripted_ui.h"

namespace {

// Puts the loader's test switches back when a test ends, so tests that share a process do not
// inherit them.
struct TlsSwitchesRestored {
    ~TlsSwitchesRestored() {
        SetTlsLibrariesHiddenForTesting(false);
        SetTlsCappedAtTls12(false);
    }
};

std::string Joined(const std::vector<std::string>& pieces) {
    std::string all;
    for (const std::string& piece : pieces) {
        all += piece;
    }
    return all;
}

// Logs on with TLS, checks the protocol, then lists the root through a protected data
// connection and expects `name` in the listing.
void LogOnAndList(const std::string& host, const std::string& user, const std::string& password,
                  const std::string& expectedVersion, const std::string& name) {
    RecordingProcessInterface iface;
    LSecureSocket connection;
    FtpConnectRequest request{&connection, host, user, password, true};
    ASSERT_EQ(FtpConnect(iface, request), LPROCESS_OK);
    ASSERT_NE(connection.ssl, nullptr) << "AUTH TLS did not start TLS";
    EXPECT_EQ(TlsVersionText(connection), expectedVersion);
    std::string directory;
    ASSERT_EQ(FtpChangeDirectoryStep(iface, connection, directory), LPROCESS_OK);
    EXPECT_EQ(directory, "/");
    std::vector<std::string> pieces;
    ASSERT_EQ(FtpDataCommand(iface, connection, "LIST\r\n", pieces), LPROCESS_OK);
    EXPECT_NE(Joined(pieces).find(name), std::string::npos) << Joined(pieces);
    EXPECT_EQ(FtpQuit(iface, connection), LPROCESS_OK);
    EXPECT_TRUE(iface.errors.empty());
}

struct TlsCase {
    const char* name;
    bool capAtTls12;
    bool tlsRequired;
    bool expiredCertificate;
};

void PrintTo(const TlsCase& c, std::ostream* os) {
    *os << c.name;
}

class PyftpdlibTls : public testing::TestWithParam<TlsCase> {};

TEST_P(PyftpdlibTls, LogsOnAndListsOverProtectedDataConnections) {
    const TlsCase& c = GetParam();
    TlsSwitchesRestored restored;
    SetTlsCappedAtTls12(c.capAtTls12);
    PyFtpdServer::Options options;
    options.tls = true;
    options.tlsRequired = c.tlsRequired;
    options.expiredCertificate = c.expiredCertificate;
    PyFtpdServer server(options);
    WriteWholeFile(server.root() + "/secret-plans.txt", "x");
    std::string why;
    ASSERT_TRUE(server.Start(&why)) << why;
    LogOnAndList(server.hostText(), "test", "secret", c.capAtTls12 ? "TLSv1.2" : "TLSv1.3",
                 "secret-plans.txt");
}

INSTANTIATE_TEST_SUITE_P(Servers, PyftpdlibTls,
                         testing::Values(TlsCase{"Tls13", false, false, false},
                                         TlsCase{"Tls12", true, false, false},
                                         TlsCase{"TlsRequired", false, true, false},
                                         TlsCase{"ExpiredCertificate", false, false, true}),
                         [](const testing::TestParamInfo<TlsCase>& info) {
                             return info.param.name;
                         });

class VsftpdTls : public testing::TestWithParam<TlsCase> {};

TEST_P(VsftpdTls, ResumesTheControlSessionOnDataConnections) {
    const TlsCase& c = GetParam();
    TlsSwitchesRestored restored;
    SetTlsCappedAtTls12(c.capAtTls12);
    VsftpdServer::Options options;
    options.tls = true;
    options.tlsRequired = c.tlsRequired;
    VsftpdServer server(options);
    std::string why;
    if (!server.Start(&why) && why == "vsftpd needs root") {
        GTEST_SKIP() << why;
    }
    ASSERT_NE(server.port(), 0);
    ASSERT_TRUE(why.empty()) << why;
    LogOnAndList(server.hostText(), "anonymous", "", c.capAtTls12 ? "TLSv1.2" : "TLSv1.3", "pub");
}

INSTANTIATE_TEST_SUITE_P(Servers, VsftpdTls,
                         testing::Values(TlsCase{"Tls13", false, false, false},
                                         TlsCase{"Tls12", true, false, false},
                                         TlsCase{"TlsRequired", false, true, false}),
                         [](const testing::TestParamInfo<TlsCase>& info) {
                             return info.param.name;
                         });

TEST(TlsLogon, GoesOnInPlainTextWhenTheLibrariesAreMissing) {
    TlsSwitchesRestored restored;
    SetTlsLibrariesHiddenForTesting(true);
    ScriptedPeer peer;
    peer.Send("220 Ready\r\n")
        .ExpectLine()
        .Send("234 Proceed with negotiation.\r\n")
        .ExpectLine()
        .Send("331 Password.\r\n")
        .ExpectLine()
        .Send("230 Logged in.\r\n")
        .HoldOpen();
    peer.Start();
    RecordingProcessInterface iface;
    LSecureSocket connection;
    EXPECT_EQ(FtpLogon(iface, connection, peer.hostText(), "u", "p", true), LPROCESS_OK);
    EXPECT_EQ(connection.ssl, nullptr);
    EXPECT_FALSE(TlsAvailable());
    EXPECT_EQ(peer.ReceivedLines(), (std::vector<std::string>{"AUTH TLS", "USER u", "PASS p"}));
}

TEST(TlsLogon, AStopDuringTheHandshakeStopsTheLogon) {
    ScriptedPeer peer;
    // Agrees to TLS, then never answers the handshake.
    peer.Send("220 Ready\r\n").ExpectLine().Send("234 Proceed.\r\n").HoldOpen();
    peer.Start();
    RecordingProcessInterface iface;
    iface.StopAfter(std::chrono::milliseconds(500));
    LSecureSocket connection;
    EXPECT_EQ(FtpLogon(iface, connection, peer.hostText(), "u", "p", true), LPROCESS_STOPPED);
    EXPECT_EQ(connection.ssl, nullptr);
}

}  // namespace
