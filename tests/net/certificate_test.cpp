// TLS or nothing, and the server certificates a user is asked about: against pyftpdlib, a small
// TLS server that records what it received (tls_ftp_peer.py) and scripted servers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ftp/control_channel.h"
#include "ftp/logon.h"
#include "ftp/passive.h"
#include "ftp/remote_listing.h"
#include "net/tls_binding.h"
#include "servers/peer_script.h"
#include "servers/real_server.h"
#include "servers/tls_ftp_peer.h"
#include "settings/section_settings.h"
#include "settings/trusted_certificates.h"
#include "support/log_tail.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace {

constexpr ServerCase kPyftpdTls = {"PyftpdlibTls", ServerKind::kPyftpd, true};

// Each test makes certificates of its own, so no fingerprint is trusted from an earlier test,
// and leaves no trusted one behind; no log line ever holds the password.
class Certificates : public testing::Test {
protected:
    void TearDown() override {
        DeleteSection(kTrustedCertificatesSection);
        EXPECT_FALSE(log_.Contains("secret")) << log_.Text();
    }

    // A certificate of make_certificate.py's kind; its prefix.
    std::string Make(const std::string& name, const std::string& kind,
                     const std::vector<std::string>& options = {}) {
        const std::string prefix = folder_.File(name);
        EXPECT_TRUE(MakeCertificate(kind, prefix, options)) << name;
        return prefix;
    }

    // Connects with TLS as `host` (the server's port added), answering questions through ui_.
    LProcessResult Connect(const std::string& host, std::uint16_t port, LSecureSocket& connection) {
        FtpConnectRequest request{&connection, host + ":" + std::to_string(port), "test", "secret",
                                  true};
        request.ui = &ui_;
        return FtpConnect(iface_, request);
    }

    TempFolder folder_{"brindle-certificates"};
    ScriptedUiServices ui_;
    RecordingProcessInterface iface_;
    LogTail log_;
};

std::uint16_t PortOf(const std::string& hostText) {
    return static_cast<std::uint16_t>(std::stoi(hostText.substr(hostText.rfind(':') + 1)));
}

// A certificate that does not verify is asked about, once per connection until trusted; Cancel
// ends the connection as stopped.
TEST_F(Certificates, OnlyACertificateThatDoesNotVerifyIsAskedAbout) {
    struct Case {
        const char* name;
        const char* kind;
        std::vector<std::string> options;
        const char* host;
        const char* reason;  // "" when no question is asked
    };
    const Case cases[] = {
        {"the private CA's certificate as its address",
         "leaf",
         {"--san", "IP:127.0.0.1"},
         "127.0.0.1",
         ""},
        {"the same through a name it was not made for",
         "leaf",
         {"--san", "IP:127.0.0.1"},
         "localhost",
         "it was not made for localhost"},
        {"self-signed", "self-signed", {}, "127.0.0.1", "self-signed certificate"},
        {"expired", "leaf", {"--expired"}, "127.0.0.1", "certificate has expired"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RealServer server(kPyftpdTls);
        server.UseCertificate(Make(c.name, c.kind, c.options));
        std::string why;
        ASSERT_TRUE(server.Start(&why)) << why;
        ui_.certificateQuestions.clear();
        LSecureSocket connection;
        const LProcessResult result = Connect(c.host, PortOf(server.hostText()), connection);
        if (*c.reason == '\0') {
            EXPECT_EQ(result, LPROCESS_OK);
            EXPECT_TRUE(ui_.certificateQuestions.empty());
            EXPECT_TRUE(
                log_.Contains("Server certificate verified: subject /CN=127.0.0.1, issuer "
                              "/CN=BrindleFTP Test CA, SHA-256 fingerprint " +
                              CertificateFingerprint(folder_.File(c.name))))
                << log_.Text();
            continue;
        }
        EXPECT_EQ(result, LPROCESS_STOPPED) << "Cancel";
        EXPECT_EQ(connection.fd, -1);
        ASSERT_EQ(ui_.certificateQuestions.size(), 1u);
        const CertificateQuestion& asked = ui_.certificateQuestions[0];
        EXPECT_EQ(asked.kind, CertificateQuestionKind::kUnknown);
        EXPECT_EQ(asked.reason, c.reason);
        EXPECT_EQ(asked.server, c.host + (":" + std::to_string(PortOf(server.hostText()))));
        EXPECT_EQ(asked.fingerprint, CertificateFingerprint(folder_.File(c.name)));
        EXPECT_EQ(asked.subject, "/CN=127.0.0.1");
        EXPECT_NE(asked.notAfter.find(" UTC"), std::string::npos) << asked.notAfter;
    }
    EXPECT_TRUE(iface_.errors.empty()) << iface_.errors[0];
}

// "Trust Once" connects, and holds for the data connections and later connections of the run;
// nothing is stored.
TEST_F(Certificates, TrustOnceHoldsUntilTheProgramEnds) {
    RealServer server(kPyftpdTls);
    server.UseCertificate(Make("self", "self-signed"));
    std::string why;
    ASSERT_TRUE(server.Start(&why)) << why;
    ASSERT_TRUE(server.MakeFile("here.txt", "x"));
    ui_.certificateAnswers = {CertificateTrust::kOnce};
    for (int connection = 0; connection < 2; ++connection) {
        LSecureSocket socket;
        ASSERT_EQ(Connect("127.0.0.1", PortOf(server.hostText()), socket), LPROCESS_OK);
        std::vector<std::string> pieces;
        EXPECT_EQ(FtpDataCommand(iface_, socket, "LIST\r\n", pieces), LPROCESS_OK);
        EXPECT_EQ(FtpQuit(iface_, socket), LPROCESS_OK);
    }
    EXPECT_EQ(ui_.certificateQuestions.size(), 1u);
    EXPECT_EQ(StoredCertificateFingerprint("127.0.0.1", PortOf(server.hostText()), false), "");
}

// One server, three connections: the first is cancelled, the second trusts always, the third
// meets a new certificate on the same host and port. A cancelled question sends nothing more.
TEST_F(Certificates, TrustAlwaysIsStoredAndAChangedCertificateIsAskedAgain) {
    const std::string first = Make("first", "self-signed");
    const std::string second = Make("second", "self-signed");
    TlsFtpPeer peer;
    std::string why;
    ASSERT_TRUE(peer.Start({first, first, second}, "", &why)) << why;
    const std::uint16_t port = PortOf(peer.hostText());
    ui_.certificateAnswers = {CertificateTrust::kCancel, CertificateTrust::kAlways,
                              CertificateTrust::kCancel};
    LSecureSocket connection;
    EXPECT_EQ(Connect("127.0.0.1", port, connection), LPROCESS_STOPPED);
    EXPECT_EQ(Connect("127.0.0.1", port, connection), LPROCESS_OK);
    EXPECT_EQ(FtpQuit(iface_, connection), LPROCESS_OK);
    // Read from the store afresh, as a new process would.
    EXPECT_EQ(StoredCertificateFingerprint("127.0.0.1", port, false),
              CertificateFingerprint(first));
    EXPECT_EQ(Connect("127.0.0.1", port, connection), LPROCESS_STOPPED);

    ASSERT_EQ(ui_.certificateQuestions.size(), 3u);
    const CertificateQuestion& changed = ui_.certificateQuestions[2];
    EXPECT_EQ(changed.kind, CertificateQuestionKind::kChanged);
    EXPECT_EQ(changed.fingerprint, CertificateFingerprint(second));
    EXPECT_EQ(changed.storedFingerprint, CertificateFingerprint(first));
    const LAlertParams alert = MakeCertificateAlert(changed);
    EXPECT_EQ(alert.headline, "Certificate Changed");
    EXPECT_EQ(alert.button1 + "|" + alert.button2 + "|" + alert.button3, "Trust Always|Cancel|");
    EXPECT_EQ(alert.defaultButton, 2);
    EXPECT_EQ(peer.Received(), (std::vector<std::string>{"AUTH TLS", "AUTH TLS", "USER test",
                                                         "PASS secret", "QUIT", "AUTH TLS"}));
}

// A data connection must present the control connection's certificate, even one that verifies.
TEST_F(Certificates, ADataConnectionWithAnotherCertificateFailsTheTransfer) {
    TlsFtpPeer peer;
    std::string why;
    ASSERT_TRUE(peer.Start({Make("control", "leaf")}, Make("data", "leaf"), &why)) << why;
    LSecureSocket connection;
    ASSERT_EQ(Connect("127.0.0.1", PortOf(peer.hostText()), connection), LPROCESS_OK);
    std::vector<std::string> pieces;
    EXPECT_EQ(FtpDataCommand(iface_, connection, "LIST\r\n", pieces), LPROCESS_FAILED);
    EXPECT_EQ(FtpDirList(iface_, connection).result, LPROCESS_FAILED);
    EXPECT_TRUE(pieces.empty());
    const std::string refused =
        "The data connection presented another certificate than the server; the transfer was "
        "stopped.";
    EXPECT_EQ(iface_.errors, (std::vector<std::string>{refused, refused}));
    EXPECT_EQ(FtpQuit(iface_, connection), LPROCESS_OK) << "the session stayed in step";
}

// A connection that asked for TLS and cannot have it ends before USER, with its reason.
TEST(TlsOrNothing, EndsTheConnectionBeforeTheUserName) {
    const std::vector<PeerScript> scripts = LoadPeerScripts("net/tls_or_nothing.script");
    struct Case {
        const char* script;
        bool librariesHidden;
        std::string error;
    };
    const Case cases[] = {
        {"AUTH TLS refused", false, kTlsRefusedText},
        {"no TLS after 234", false,
         "The TLS handshake with the server failed: wrong version number"},
        {"TLS library missing", true, kTlsUnavailableText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        const PeerScript& script = FindPeerScript(scripts, c.script);
        ScriptedPeer peer;
        PlayScript(peer, script);
        peer.Start();
        SetTlsLibrariesHiddenForTesting(c.librariesHidden);
        RecordingProcessInterface iface;
        LSecureSocket connection;
        EXPECT_EQ(FtpConnect(iface, {&connection, peer.hostText(), "u", "p", true}),
                  LPROCESS_FAILED);
        SetTlsLibrariesHiddenForTesting(false);
        EXPECT_EQ(connection.fd, -1);
        peer.Wait();
        EXPECT_EQ(iface.errors, std::vector<std::string>{c.error});
        EXPECT_EQ(ScriptMismatch(peer, script), "");
        EXPECT_EQ(peer.ReceivedBytes().find("USER"), std::string::npos);
    }
}

}  // namespace
