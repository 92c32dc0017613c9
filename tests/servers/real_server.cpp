#include "servers/real_server.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/temp_folder.h"

RealServer::RealServer(const ServerCase& c) : case_(c) {
    if (c.kind == ServerKind::kPyftpd) {
        PyFtpdServer::Options options;
        options.tls = c.tls;
        options.tlsRequired = c.tls;
        pyftpd_ = std::make_unique<PyFtpdServer>(options);
    } else {
        VsftpdServer::Options options;
        options.tls = c.tls;
        vsftpd_ = std::make_unique<VsftpdServer>(options);
    }
}

bool RealServer::Start(std::string& why, bool& skip) {
    skip = false;
    if (pyftpd_) {
        return pyftpd_->Start(&why);
    }
    if (vsftpd_->Start(&why)) {
        return true;
    }
    skip = why == "vsftpd needs root" || why == "vsftpd is not installed";
    return false;
}

std::string RealServer::hostText() const {
    return pyftpd_ ? pyftpd_->hostText() : vsftpd_->hostText();
}

std::string RealServer::Path(const std::string& relative) const {
    return (pyftpd_ ? pyftpd_->root() : vsftpd_->pub()) + "/" + relative;
}

bool RealServer::MakeFile(const std::string& relative, const std::string& bytes,
                          std::optional<time_t> modified) const {
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

bool RealServer::MakeFolder(const std::string& relative) const {
    const std::string path = Path(relative);
    return mkdir(path.c_str(), 0755) == 0 && GiveToServer(path);
}

bool RealServer::GiveToServer(const std::string& path) const {
    struct stat folder {};
    return stat(Path("").c_str(), &folder) == 0 &&
           chown(path.c_str(), folder.st_uid, folder.st_gid) == 0;
}

void RealServerTest::SetUp() {
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
