#include "servers/real_server.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "frame/file_descriptor.h"
#include "frame/file_system.h"
#include "frame/paths.h"

namespace {

// Made once per build folder, as RSA key generation is slow: the lock lets one of the test
// programs running side by side make it, and the certificate is renamed last, so once it is
// there both files are complete.
bool MakeTestCertificate(const std::string& prefix, bool expired) {
    mkdir(BRINDLE_TEST_CERT_DIR, 0755);
    const FileDescriptor lock(
        open(BRINDLE_TEST_CERT_DIR "/lock", O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    std::vector<std::string> args = {"/usr/bin/python3",
                                     BRINDLE_TEST_SERVERS_DIR "/make_certificate.py",
                                     prefix + ".cert.tmp", prefix + ".key.tmp"};
    if (expired) {
        args.push_back("--expired");
    }
    return flock(lock.get(), LOCK_EX) == 0 &&
           (!ReadWholeFile(prefix + "-cert.pem").empty() ||
            (RunProgram(args) && rename(args[3].c_str(), (prefix + "-key.pem").c_str()) == 0 &&
             rename(args[2].c_str(), (prefix + "-cert.pem").c_str()) == 0));
}

// Whether a program listens on `port` and, when `greeting` is given, starts with it.
bool Answers(std::uint16_t port, const std::string& greeting) {
    const FileDescriptor fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_in address = LoopbackAddress(port);
    std::string got(greeting.size(), '\0');
    const timeval wait{10, 0};
    return connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
           (greeting.empty() ||
            (setsockopt(fd.get(), SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait) == 0 &&
             recv(fd.get(), got.data(), got.size(), MSG_WAITALL) > 0 && got == greeting));
}

}  // namespace

RealServer::RealServer(const ServerCase& c, bool expiredCertificate)
    : LoopbackServer(c.kind == ServerKind::kPyftpd ? "brindle-pyftpd" : "brindle-vsftpd"),
      case_(c),
      expiredCertificate_(expiredCertificate) {
    if (IsPyftpd()) {
        mkdir(Path("").c_str(), 0755);
    }
}

bool RealServer::Start(std::string* why) {
    const std::string cert =
        std::string(BRINDLE_TEST_CERT_DIR) + (expiredCertificate_ ? "/expired" : "/valid");
    if (!IsPyftpd() && geteuid() != 0) {
        return Fail(why, "vsftpd needs root");
    } else if (!IsPyftpd() && access("/usr/sbin/vsftpd", X_OK) != 0) {
        return Fail(why, "vsftpd is not installed");
    } else if (tls() && !MakeTestCertificate(cert, expiredCertificate_)) {
        return Fail(why, "make_certificate.py failed (is python3-openssl installed?)");
    } else if (IsPyftpd()) {
        const std::string portFile = work_.File("port");
        std::vector<std::string> args = {
            "/usr/bin/python3", BRINDLE_TEST_SERVERS_DIR "/pyftpd_server.py",
            "--root",           Path(""),
            "--port-file",      portFile};
        if (tls()) {
            args.insert(args.end(), {"--tls", "--tls-required", "--cert", cert + "-cert.pem",
                                     "--key", cert + "-key.pem"});
        }
        const auto listens = [&] {
            return (port_ = static_cast<std::uint16_t>(std::atoi(ReadWholeFile(portFile).c_str())));
        };
        return StartAndWait(args, listens, why);
    } else if (tls() &&
               !(WriteWholeFile(work_.File("cert.pem"), ReadWholeFile(cert + "-cert.pem")) &&
                 WriteWholeFile(work_.File("key.pem"), ReadWholeFile(cert + "-key.pem")))) {
        return Fail(why, "cannot copy the certificate");
    }
    // The port is picked before vsftpd binds it, and another program may take it in between:
    // then a fresh port.
    for (int attempt = 0; attempt < 3; ++attempt) {
        port_ = FreeLoopbackPort();
        if (!RunProgram({"/bin/sh", BRINDLE_TEST_SERVERS_DIR "/gen_vsftpd_conf.sh",
                         std::to_string(port_), work_.path(), "anon",
                         tls() ? "tls-required" : "none"})) {
            return Fail(why, "gen_vsftpd_conf.sh failed");
        }
        if (StartAndWait(
                {"/usr/sbin/vsftpd", work_.File("vsftpd.conf")},
                [this] { return Answers(port_, "220"); }, why)) {
            return true;
        }
    }
    return false;
}

std::string RealServer::Path(const std::string& relative) const {
    return work_.File(IsPyftpd() ? "root/" : "anonroot/pub/") + relative;
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
    if (std::string why; !server_->Start(&why)) {
        if (why == "vsftpd needs root" || why == "vsftpd is not installed") {
            GTEST_SKIP() << why;
        }
        FAIL() << why;
    }
}

PythonHttpServer::PythonHttpServer() : LoopbackServer("brindle-http") {
    mkdir(root().c_str(), 0755);
}

bool PythonHttpServer::Serve(const std::string& path, const std::string& bytes) const {
    const std::string full = root() + "/" + path;
    return CreateFolderPath(full.substr(0, full.find_last_of('/'))) && WriteWholeFile(full, bytes);
}

bool PythonHttpServer::Start(std::string* why) {
    for (int attempt = 0; attempt < 3; ++attempt) {  // as for vsftpd
        port_ = FreeLoopbackPort();
        if (StartAndWait(
                {"/usr/bin/python3", "-m", "http.server", "--bind", "127.0.0.1",
                 std::to_string(port_), "--directory", root()},
                [this] { return Answers(port_, ""); }, why)) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> PythonHttpServer::Requests() const {
    // Each answered request is logged as: 127.0.0.1 - - [date] "GET /x HTTP/1.0" 200 -
    std::vector<std::string> requests;
    std::istringstream log(ReadWholeFile(work_.File("log")));
    for (std::string line; std::getline(log, line);) {
        const std::size_t open = line.find("] \"");
        const std::size_t close = line.rfind('"');
        if (open != std::string::npos && close != std::string::npos && close > open + 3) {
            requests.push_back(line.substr(open + 3, close - open - 3));
        }
    }
    return requests;
}
