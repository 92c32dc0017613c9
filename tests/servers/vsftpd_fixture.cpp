#include "servers/vsftpd_fixture.h"

#include <sys/socket.h>
#include <unistd.h>

#include "servers/test_certificate.h"

bool VsftpdServer::Start(std::string* why) {
    std::string failure;
    TestCertificate certificate;
    if (geteuid() != 0) {
        failure = "vsftpd needs root";
    } else if (access("/usr/sbin/vsftpd", X_OK) != 0) {
        failure = "vsftpd is not installed";
    } else if (!options_.tls || MakeTestCertificate(false, certificate, &failure)) {
        if (options_.tls) {
            WriteWholeFile(work_.File("cert.pem"), ReadWholeFile(certificate.certFile));
            WriteWholeFile(work_.File("key.pem"), ReadWholeFile(certificate.keyFile));
        }
        // The port is chosen before vsftpd binds it, so another test may take it in between:
        // a start that fails is tried again on a fresh port.
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (StartOnFreePort(failure)) {
                return true;
            }
        }
    }
    if (why != nullptr) {
        *why = failure;
    }
    return false;
}

bool VsftpdServer::StartOnFreePort(std::string& failure) {
    port_ = FreeLoopbackPort();
    const char* tlsMode = options_.tlsRequired ? "tls-required" : options_.tls ? "tls" : "none";
    if (!RunToSuccess({"/bin/sh", std::string(BRINDLE_TEST_SERVERS_DIR) + "/gen_vsftpd_conf.sh",
                       std::to_string(port_), work_.path(), "anon", tlsMode},
                      {std::string("SSL_REUSE=") + (options_.requireSslReuse ? "YES" : "NO")})) {
        failure = "gen_vsftpd_conf.sh failed";
        return false;
    }
    return server_.StartAndWait(
        {"/usr/sbin/vsftpd", work_.File("vsftpd.conf")}, work_.File("stderr.log"),
        [this] { return Greets(); }, &failure);
}

// Whether the listener on the port is vsftpd: another program may have taken the port first.
bool VsftpdServer::Greets() const {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = LoopbackAddress(port_);
    char greeting[4] = {};
    if (fd >= 0 && connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        timeval wait{10, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        [[maybe_unused]] ssize_t n = recv(fd, greeting, 3, MSG_WAITALL);
    }
    if (fd >= 0) {
        close(fd);
    }
    return std::string(greeting) == "220";
}
