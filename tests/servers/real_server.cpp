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
#include "net/host_address.h"

namespace {

// Runs make_certificate.py for PREFIX-cert.pem, PREFIX-key.pem and PREFIX-sha256.txt. The
// certificate is renamed
// last, so once it is there both files are complete.
bool RunMakeCertificate(const std::string& kind, const std::string& prefix,
                        const std::vector<std::string>& options) {
    std::vector<std::string> args = {"/usr/bin/python3",
                                     BRINDLE_TEST_SERVERS_DIR "/make_certificate.py",
                                     kind,
                                     prefix + ".cert.tmp",
                                     prefix + ".key.tmp",
                                     "--fingerprint",
                                     prefix + "-sha256.txt"};
    args.insert(args.end(), options.begin(), options.end());
    return RunProgram(args) && rename(args[4].c_str(), (prefix + "-key.pem").c_str()) == 0 &&
           rename(args[3].c_str(), (prefix + "-cert.pem").c_str()) == 0;
}

// Made once per build folder, as RSA key generation is slow: the lock lets one of the test
// programs running side by side make them.
bool MakeOnce(const std::string& kind, const std::string& prefix,
              const std::vector<std::string>& options = {}) {
    mkdir(BRINDLE_TEST_CERT_DIR, 0755);
    const FileDescriptor lock(
        open(BRINDLE_TEST_CERT_DIR "/lock", O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    return flock(lock.get(), LOCK_EX) == 0 && (!ReadWholeFile(prefix + "-cert.pem").empty() ||
                                               RunMakeCertificate(kind, prefix, options));
}

constexpr char kTestCaPrefix[] = BRINDLE_TEST_CERT_DIR "/ca";

// The servers' certificate, signed by the tests' CA for 127.0.0.1, ::1 and localhost.
bool MakeServerCertificate(const std::string& prefix, bool expired) {
    std::vector<std::string> options = {"--ca", kTestCaCertificate,
                                        std::string(kTestCaPrefix) + "-key.pem"};
    if (expired) {
        options.push_back("--expired");
    }
    return MakeTestCa() && MakeOnce("leaf", prefix, options);
}

// Whether a program listens on `port` of 127.0.0.1 (or ::1) and, when `greeting` is given,
// starts with it.
bool Answers(std::uint16_t port, const std::string& greeting, bool ipv6 = false) {
    const SocketAddress address =
        ipv6 ? SocketAddress(Ipv6LoopbackAddress(port)) : SocketAddress(LoopbackAddress(port));
    const FileDescriptor fd(socket(address.family(), SOCK_STREAM | SOCK_CLOEXEC, 0));
    std::string got(greeting.size(), '\0');
    const timeval wait{10, 0};
    return connect(fd.get(), address.get(), address.length()) == 0 &&
           (greeting.empty() ||
            (setsockopt(fd.get(), SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait) == 0 &&
             recv(fd.get(), got.data(), got.size(), MSG_WAITALL) > 0 && got == greeting));
}

}  // namespace

bool MakeTestCa() {
    return MakeOnce("ca", kTestCaPrefix);
}

bool MakeCertificate(const std::string& kind, const std::string& prefix,
                     std::vector<std::string> options) {
    if (kind == "leaf") {
        options.insert(options.end(),
                       {"--ca", kTestCaCertificate, std::string(kTestCaPrefix) + "-key.pem"});
    }
    return (kind != "leaf" || MakeTestCa()) && RunMakeCertificate(kind, prefix, options);
}

RealServer::RealServer(const ServerCase& c, bool expiredCertificate)
    : LoopbackServer(c.kind == ServerKind::kPyftpd ? "brindle-pyftpd" : "brindle-vsftpd"),
      case_(c),
      expiredCertificate_(expiredCertificate) {
    if (IsPyftpd()) {
        mkdir(Path("").c_str(), 0755);
    }
    if (case_.ipv6) {
        loopback_ = "[::1]";
    }
}

bool RealServer::Start(std::string* why) {
    const std::string cert = !certificate_.empty()
                                 ? certificate_
                                 : std::string(BRINDLE_TEST_CERT_DIR) +
                                       (expiredCertificate_ ? "/ca-signed-expired" : "/ca-signed");
    if (!IsPyftpd() && geteuid() != 0) {
        return Fail(why, "vsftpd needs root");
    } else if (!IsPyftpd() && access("/usr/sbin/vsftpd", X_OK) != 0) {
        return Fail(why, "vsftpd is not installed");
    } else if (tls() && certificate_.empty() && !MakeServerCertificate(cert, expiredCertificate_)) {
        return Fail(why, "make_certificate.py failed (is python3-cryptography installed?)");
    } else if (IsPyftpd()) {
        const std::string portFile = work_.File("port");
        std::vector<std::string> args = {
            "/usr/bin/python3", BRINDLE_TEST_SERVERS_DIR "/pyftpd_server.py",
            "--root",           Path(""),
            "--port-file",      portFile,
            "--host",           case_.ipv6 ? "::1" : "127.0.0.1"};
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
        if (!RunProgram({"/usr/bin/env", case_.ipv6 ? "IPV6=yes" : "IPV6=no", "/bin/sh",
                         BRINDLE_TEST_SERVERS_DIR "/gen_vsftpd_conf.sh", std::to_string(port_),
                         work_.path(), "anon", tls() ? "tls-required" : "none"})) {
            return Fail(why, "gen_vsftpd_conf.sh failed");
        }
        if (StartAndWait(
                {"/usr/sbin/vsftpd", work_.File("vsftpd.conf")},
                [this] { return Answers(port_, "220", case_.ipv6); }, why)) {
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
