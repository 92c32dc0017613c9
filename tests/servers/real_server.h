#pragma once

// The real servers a behaviour is tried against: pyftpdlib (MLSD, MLST, MDTM, MFMT, SIZE, a
// user with a password) and vsftpd (LIST only, anonymous, links listed with their targets),
// each plain or over TLS. A test that means "the same on every server" is one fixture
// parameterised over these cases.
#include <gtest/gtest.h>

#include <ctime>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "servers/pyftpd_fixture.h"
#include "servers/vsftpd_fixture.h"

enum class ServerKind { kPyftpd, kVsftpd };

struct ServerCase {
    const char* name;
    ServerKind kind;
    bool tls;
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

inline std::ostream& operator<<(std::ostream& out, const ServerCase& c) {
    return out << c.name;
}
inline std::string ServerCaseName(const testing::TestParamInfo<ServerCase>& info) {
    return info.param.name;
}

// One running server of a case. On TLS cases the server refuses logon and data without TLS,
// so anything that forgot TLS fails.
class RealServer {
public:
    explicit RealServer(const ServerCase& c);

    // False with the reason; `skip` when the reason is that vsftpd cannot run here.
    bool Start(std::string& why, bool& skip);
    bool Start(std::string* why);

    bool IsPyftpd() const { return pyftpd_ != nullptr; }
    bool tls() const { return case_.tls; }
    std::string hostText() const;
    std::string user() const { return IsPyftpd() ? "test" : "anonymous"; }
    std::string password() const { return IsPyftpd() ? "secret" : "guest"; }
    // The folder a client may write in, as the server names it: "/" or "/pub".
    std::string remoteFolder() const { return IsPyftpd() ? "/" : "/pub"; }
    // A path on disk inside that folder.
    std::string Path(const std::string& relative) const;
    // A file or folder in that folder that the server's user may change (vsftpd's anonymous
    // user owns nothing else); `modified` sets its time.
    bool MakeFile(const std::string& relative, const std::string& bytes,
                  std::optional<time_t> modified = std::nullopt) const;
    bool MakeFolder(const std::string& relative) const;

private:
    bool GiveToServer(const std::string& path) const;

    ServerCase case_;
    std::unique_ptr<PyFtpdServer> pyftpd_;
    std::unique_ptr<VsftpdServer> vsftpd_;
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

// Whether a server failed to start only because vsftpd cannot run on this machine.
inline bool CannotRunHere(const std::string& why) {
    return why == "vsftpd needs root" || why == "vsftpd is not installed";
}

// Starts `server` (any fixture with `bool Start(std::string* why)`) or ends the test: skipped
// where vsftpd cannot run here, failed otherwise.
#define START_OR_SKIP(server)          \
    do {                               \
        std::string why_;              \
        if (!(server).Start(&why_)) {  \
            if (CannotRunHere(why_)) { \
                GTEST_SKIP() << why_;  \
            }                          \
            FAIL() << why_;            \
        }                              \
    } while (false)
