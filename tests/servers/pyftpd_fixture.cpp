#include "servers/pyftpd_fixture.h"

#include "servers/test_certificate.h"

#include <sys/stat.h>

#include <cstdlib>
#include <utility>
#include <vector>

PyFtpdServer::PyFtpdServer(Options options) : options_(std::move(options)) {
    root_ = work_.File("root");
    mkdir(root_.c_str(), 0755);
}

PyFtpdServer::~PyFtpdServer() {
    Stop();
}

bool PyFtpdServer::Start(std::string* why) {
    const std::string portFile = work_.File("port");
    const std::string logFile = work_.File("server.log");
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
    if (!server_.Spawn(args, "/dev/null", logFile)) {
        if (why != nullptr) {
            *why = "cannot start /usr/bin/python3";
        }
        return false;
    }
    auto reportedPort = [&] {
        std::string text = ReadWholeFile(portFile);
        port_ = static_cast<std::uint16_t>(std::atoi(text.c_str()));
        return !text.empty();
    };
    ServerProcess::Wait waited = server_.WaitUntil(reportedPort, 60);
    if (waited == ServerProcess::Wait::Ready && port_ != 0) {
        return true;
    }
    if (why != nullptr) {
        *why = waited == ServerProcess::Wait::Exited
                   ? "pyftpdlib exited: " + ReadWholeFile(logFile)
                   : "pyftpdlib did not report its port within 60 s";
    }
    Stop();
    return false;
}

void PyFtpdServer::Stop() {
    server_.Stop();
}
