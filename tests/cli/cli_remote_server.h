#pragma once

// The real servers the remote commands are tried against: pyftpdlib (MLSD, MDTM, MFMT, SIZE)
// and vsftpd (LIST only), each plain and over TLS, and the folder on disk that is the
// commands' current remote folder. The command runs with TZ=UTC: vsftpd writes LIST times in
// UTC and the program reads them as local times.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "servers/pyftpd_fixture.h"
#include "servers/vsftpd_fixture.h"
#include "support/cli_runner.h"
#include "support/temp_folder.h"

enum class ServerKind { kPyftpd, kVsftpd };

struct ServerCase {
    const char* name;
    ServerKind kind;
    bool tls;
};

inline const ServerCase kServerCases[] = {
    {"Pyftpdlib", ServerKind::kPyftpd, false},
    {"PyftpdlibTls", ServerKind::kPyftpd, true},
    {"Vsftpd", ServerKind::kVsftpd, false},
    {"VsftpdTls", ServerKind::kVsftpd, true},
};

inline std::ostream& operator<<(std::ostream& out, const ServerCase& c) {
    return out << c.name;
}

class RemoteServer {
public:
    explicit RemoteServer(const ServerCase& c) : case_(c) {
        if (c.kind == ServerKind::kPyftpd) {
            PyFtpdServer::Options options;
            options.tls = c.tls;
            options.tlsRequired = c.tls;  // a command that forgot TLS anywhere would fail
            pyftpd_.emplace(options);
        } else {
            VsftpdServer::Options options;
            options.tls = c.tls;
            vsftpd_.emplace(options);
        }
    }

    // False with the reason; `skip` when the reason is that vsftpd cannot run here.
    bool Start(std::string& why, bool& skip) {
        skip = false;
        if (pyftpd_) {
            return pyftpd_->Start(&why);
        }
        if (vsftpd_->Start(&why)) {
            return true;
        }
        skip = why == "vsftpd needs root";
        return false;
    }

    bool IsPyftpd() const { return pyftpd_.has_value(); }
    std::string hostText() const { return pyftpd_ ? pyftpd_->hostText() : vsftpd_->hostText(); }
    // The user the commands log on as, and the current remote folder as the server names it.
    std::string user() const { return pyftpd_ ? "test" : "anonymous"; }
    std::string remoteFolder() const { return pyftpd_ ? "/" : "/pub"; }

    // The connection options (the anonymous vsftpd user works in its writable "pub"), then
    // `rest`.
    std::vector<std::string> Args(const std::vector<std::string>& rest,
                                  const std::string& password = "secret") const {
        std::vector<std::string> args = {"--server", hostText(),   "--user",
                                         user(),     "--password", password};
        if (vsftpd_) {
            args.insert(args.end(), {"--cd", "pub"});
        }
        if (case_.tls) {
            args.push_back("--tls");
        }
        args.insert(args.end(), rest.begin(), rest.end());
        return args;
    }

    CliRun Run(const std::vector<std::string>& rest) const {
        return RunCli(Args(rest), {{"TZ", "UTC"}});
    }

    // A path on disk inside the current remote folder.
    std::string Path(const std::string& relative) const {
        return (pyftpd_ ? pyftpd_->root() : vsftpd_->pub()) + "/" + relative;
    }

    // A file or folder the server may change: vsftpd's anonymous user owns nothing else.
    bool MakeFile(const std::string& relative, const std::string& bytes,
                  std::optional<time_t> modified = std::nullopt) const {
        const std::string path = Path(relative);
        if (!WriteWholeFile(path, bytes) || chmod(path.c_str(), 0644) != 0) {
            return false;
        }
        if (modified) {
            timespec times[2] = {{*modified, 0}, {*modified, 0}};
            if (utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) {
                return false;
            }
        }
        return GiveToServer(path);
    }
    bool MakeFolder(const std::string& relative) const {
        const std::string path = Path(relative);
        return mkdir(path.c_str(), 0755) == 0 && GiveToServer(path);
    }

private:
    bool GiveToServer(const std::string& path) const {
        struct stat folder {};
        return stat(Path("").c_str(), &folder) == 0 &&
               chown(path.c_str(), folder.st_uid, folder.st_gid) == 0;
    }

    ServerCase case_;
    std::optional<PyFtpdServer> pyftpd_;
    std::optional<VsftpdServer> vsftpd_;
};

// A test fixture over every server case; the server is running when the test body starts.
class RemoteCommandTest : public testing::TestWithParam<ServerCase> {
protected:
    void SetUp() override {
        server_.emplace(GetParam());
        std::string why;
        bool skip = false;
        if (!server_->Start(why, skip)) {
            if (skip) {
                GTEST_SKIP() << why;
            }
            FAIL() << why;
        }
    }

    RemoteServer& server() { return *server_; }

    std::optional<RemoteServer> server_;
};

// Test names by server case: Servers/Suite.Test/VsftpdTls.
inline std::string ServerCaseName(const testing::TestParamInfo<ServerCase>& info) {
    return info.param.name;
}
