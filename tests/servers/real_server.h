#pragma once

// The real servers tests start on 127.0.0.1 (or ::1): the FTP servers a behaviour is tried against,
// pyftpdlib (MLSD, MLST, MDTM, MFMT, SIZE, the user test/secret) and vsftpd (LIST only,
// anonymous, links listed with their targets; it must run as root), each plain or over TLS, and
// Python's http.server. A test that means "the same on every FTP server" is one fixture
// parameterised over these cases.
#include <gtest/gtest.h>

#include <ctime>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "frame/file_system.h"
#include "servers/server_process.h"

enum class ServerKind { kPyftpd, kVsftpd };

struct ServerCase {
    const char* name;
    ServerKind kind;
    bool tls;
    bool ipv6 = false;  // on ::1 only, reached as "[::1]:PORT"
};

inline constexpr ServerCase kPlainServers[] = {
    {"Pyftpdlib", ServerKind::kPyftpd, false},
    {"Vsftpd", ServerKind::kVsftpd, false},
};
inline constexpr ServerCase kAllServers[] = {
    {"Pyftpdlib", ServerKind::kPyftpd, false},
    {"PyftpdlibTls", ServerKind::kPyftpd, true},
    {"Vsftpd", ServerKind::kVsftpd, false},
    {"VsftpdTls", ServerKind::kVsftpd, true},
};

inline constexpr ServerCase kIpv6Servers[] = {
    {"PyftpdlibIpv6", ServerKind::kPyftpd, false, true},
    {"VsftpdIpv6", ServerKind::kVsftpd, false, true},
};

inline std::ostream& operator<<(std::ostream& out, const ServerCase& c) {
    return out << c.name;
}
inline std::string ServerCaseName(const testing::TestParamInfo<ServerCase>& info) {
    return info.param.name;
}

// The tests' private certificate authority: every test process trusts it (the tests' main points
// SSL_CERT_FILE at it), so the servers' certificate it signed, for 127.0.0.1, ::1 and localhost,
// verifies. Made once per build folder, like that certificate.
inline constexpr char kTestCaCertificate[] = BRINDLE_TEST_CERT_DIR "/ca-cert.pem";
bool MakeTestCa();
// A certificate of its own for a trust test: make_certificate.py KIND PREFIX-cert.pem
// PREFIX-key.pem OPTIONS (and PREFIX-sha256.txt), where a "leaf" is signed by the tests' CA.
bool MakeCertificate(const std::string& kind, const std::string& prefix,
                     std::vector<std::string> options = {});
// Its SHA-256 fingerprint, "AB:CD:...".
inline std::string CertificateFingerprint(const std::string& prefix) {
    return ReadWholeFile(prefix + "-sha256.txt");
}

// One running server of a case. On TLS cases the server refuses logon and data without TLS,
// so anything that forgot TLS fails.
class RealServer : public LoopbackServer {
public:
    explicit RealServer(const ServerCase& c, bool expiredCertificate = false);

    // Serves PREFIX-cert.pem and PREFIX-key.pem instead of the CA-signed certificate. Before Start.
    void UseCertificate(const std::string& prefix) { certificate_ = prefix; }
    // False with the reason ("vsftpd needs root" or "... is not installed" where it cannot run).
    bool Start(std::string* why);

    bool IsPyftpd() const { return case_.kind == ServerKind::kPyftpd; }
    bool tls() const { return case_.tls; }
    std::string user() const { return IsPyftpd() ? "test" : "anonymous"; }
    std::string password() const { return IsPyftpd() ? "secret" : "guest"; }
    // The folder a client may write in, as the server names it, and a path on disk inside it.
    std::string remoteFolder() const { return IsPyftpd() ? "/" : "/pub"; }
    std::string Path(const std::string& relative) const;
    // A file or folder there that the server's user may change (vsftpd's anonymous user owns
    // nothing else); `modified` sets its time.
    bool MakeFile(const std::string& relative, const std::string& bytes,
                  std::optional<time_t> modified = std::nullopt) const;
    bool MakeFolder(const std::string& relative) const;

private:
    bool GiveToServer(const std::string& path) const;

    ServerCase case_;
    bool expiredCertificate_;
    std::string certificate_;
};

// The server of the case is running when the test body starts; where vsftpd cannot run the
// test is skipped.
class RealServerTest : public testing::TestWithParam<ServerCase> {
protected:
    void SetUp() override;
    RealServer& server() { return *server_; }

private:
    std::optional<RealServer> server_;
};

// Python's http.server serving a temporary folder.
class PythonHttpServer : public LoopbackServer {
public:
    PythonHttpServer();
    bool Start(std::string* why = nullptr);

    std::string Url(const std::string& path) const { return "http://" + hostText() + path; }
    std::string root() const { return work_.File("root"); }
    // Writes a file below the served folder, creating its folders.
    bool Serve(const std::string& path, const std::string& bytes) const;
    // The request lines answered so far ("GET /x HTTP/1.0"), in order.
    std::vector<std::string> Requests() const;
};
