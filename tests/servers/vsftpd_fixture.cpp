#include "servers/vsftpd_fixture.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include "servers/test_certificate.h"

VsftpdServer::VsftpdServer(Options options) : options_(options) {}

VsftpdServer::~VsftpdServer() {
    Stop();
}

bool VsftpdServer::Start(std::string* why) {
    auto fail = [why](const std::string& reason) {
        if (why != nullptr) {
            *why = reason;
        }
        return false;
    };
    if (geteuid() != 0) {
        return fail("vsftpd needs root");
    }
    if (access("/usr/sbin/vsftpd", X_OK) != 0) {
        return fail("vsftpd is not installed");
    }
    if (options_.tls) {
        TestCertificate certificate;
        if (!MakeTestCertificate(false, certificate, why)) {
            return false;
        }
        WriteWholeFile(work_.File("cert.pem"), ReadWholeFile(certificate.certFile));
        WriteWholeFile(work_.File("key.pem"), ReadWholeFile(certificate.keyFile));
    }
    // The port is chosen before vsftpd binds it, so another test may take it in between:
    // a start that fails is tried again on a fresh port.
    std::string failure;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (StartOnFreePort(failure)) {
            return true;
        }
    }
    return fail(failure);
}

bool VsftpdServer::StartOnFreePort(std::string& failure) {
    port_ = FreeLoopbackPort();
    std::string tlsMode = options_.tlsRequired ? "tls-required" : options_.tls ? "tls" : "none";
    if (!RunToSuccess({"/bin/sh", std::string(BRINDLE_TEST_SERVERS_DIR) + "/gen_vsftpd_conf.sh",
                       std::to_string(port_), work_.path(), "anon", tlsMode},
                      {std::string("SSL_REUSE=") + (options_.requireSslReuse ? "YES" : "NO")})) {
        failure = "gen_vsftpd_conf.sh failed";
        return false;
    }
    std::string log = work_.File("stderr.log");
    if (!server_.Spawn({"/usr/sbin/vsftpd", work_.File("vsftpd.conf")}, log)) {
        failure = "cannot start vsftpd";
        return false;
    }
    if (server_.WaitUntil([this] { return LoopbackAnswers(port_); }, 30) !=
            ServerProcess::Wait::Ready ||
        !Greets()) {
        Stop();
        failure =
            "vsftpd did not greet: " + ReadWholeFile(log) + ReadWholeFile(work_.File("vsftpd.log"));
        return false;
    }
    return true;
}

// Whether the listener on the port is vsftpd: another program may have taken the port first.
bool VsftpdServer::Greets() const {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port_);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool greeted = false;
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        timeval wait{10, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        char greeting[4] = {};
        greeted = recv(fd, greeting, 3, MSG_WAITALL) == 3 && std::string(greeting, 3) == "220";
    }
    if (fd >= 0) {
        close(fd);
    }
    return greeted;
}

void VsftpdServer::Stop() {
    server_.Stop();
}
