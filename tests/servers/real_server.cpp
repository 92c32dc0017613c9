#include "servers/real_server.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/temp_folder.h"

RealServer::RealServer(const ServerCase& c) : case_(c) {
    if (c.kind == ServerKind::kPyftpd) {
        pyftpd_ = std::make_unique<PyFtpdServer>(
            PyFtpdServer::Options{.tls = c.tls, .tlsRequired = c.tls});
    } else {
        vsftpd_ = std::make_unique<VsftpdServer>(
            VsftpdServer::Options{.tls = c.tls, .tlsRequired = c.tls});
    }
}

bool RealServer::Start(std::string* why) {
    return pyftpd_ ? pyftpd_->Start(why) : vsftpd_->Start(why);
}

bool RealServer::Start(std::string& why, bool& skip) {
    const bool started = Start(&why);
    skip = !started && CannotRunHere(why);
    return started;
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
    START_OR_SKIP(*server_);
}
