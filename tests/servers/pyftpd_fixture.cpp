#include "servers/pyftpd_fixture.h"

#include "servers/test_certificate.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <utility>
#include <vector>

extern char** environ;

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
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        pid_ = -1;
        if (why != nullptr) {
            *why = "cannot start /usr/bin/python3";
        }
        return false;
    }
    for (int i = 0; i < 200; ++i) {
        std::string text = ReadWholeFile(portFile);
        if (!text.empty()) {
            port_ = static_cast<std::uint16_t>(std::atoi(text.c_str()));
            return port_ != 0;
        }
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            if (why != nullptr) {
                *why = "pyftpdlib exited: " + ReadWholeFile(logFile);
            }
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (why != nullptr) {
        *why = "pyftpdlib did not report its port within 10 s";
    }
    Stop();
    return false;
}

void PyFtpdServer::Stop() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        for (int i = 0; i < 100 && waitpid(pid_, &status, WNOHANG) == 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (waitpid(pid_, &status, WNOHANG) == 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
        }
        pid_ = -1;
    }
}
