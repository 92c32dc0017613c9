#include "servers/pyftpd_fixture.h"

#include <sys/stat.h>

#include <cstdlib>
#include <utility>
#include <vector>

#include "servers/test_certificate.h"

PyFtpdServer::PyFtpdServer(Options options)
    : LoopbackServer("brindle-pyftpd"), options_(std::move(options)) {
    root_ = work_.File("root");
    mkdir(root_.c_str(), 0755);
}

bool PyFtpdServer::Start(std::string* why) {
    const std::string portFile = work_.File("port");
    std::vector<std::string> args = {
        "/usr/bin/python3", std::string(BRINDLE_TEST_SERVERS_DIR) + "/pyftpd_server.py",
        "--root",           root_,
        "--user",           options_.user,
        "--password",       options_.password,
        "--port-file",      portFile};
    if (options_.anonymous) {
        args.push_back("--anonymous");
    }
    if (options_.tls) {
        TestCertificate certificate;
        if (!MakeTestCertificate(options_.expiredCertificate, certificate, why)) {
            return false;
        }
        args.insert(args.end(),
                    {"--tls", "--cert", certificate.certFile, "--key", certificate.keyFile});
        if (options_.tlsRequired) {
            args.push_back("--tls-required");
        }
    }
    return server_.StartAndWait(
        args, work_.File("server.log"),
        [&] {
            port_ = static_cast<std::uint16_t>(std::atoi(ReadWholeFile(portFile).c_str()));
            return port_ != 0;
        },
        why);
}
