#include "servers/vsftpd_fixture.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include "servers/test_certificate.h"

extern char** environ;

namespace {

// A port nothing listens on right now.
std::uint16_t FreeLoopbackPort() {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    std::uint16_t port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    close(fd);
    return port;
}

bool RunAndWait(std::vector<std::string> args, const std::vector<std::string>& environment) {
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    std::vector<std::string> envStrings(environment);
    for (char** entry = environ; *entry != nullptr; ++entry) {
        envStrings.emplace_back(*entry);
    }
    std::vector<char*> envp;
    for (std::string& entry : envStrings) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    pid_t pid = -1;
    int status = 0;
    return posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) == 0 &&
           waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

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
    port_ = FreeLoopbackPort();
    std::string tlsMode = options_.tlsRequired ? "tls-required" : options_.tls ? "tls" : "none";
    if (!RunAndWait({"/bin/sh", std::string(BRINDLE_TEST_SERVERS_DIR) + "/gen_vsftpd_conf.sh",
                     std::to_string(port_), work_.path(), "anon", tlsMode},
                    {std::string("SSL_REUSE=") + (options_.requireSslReuse ? "YES" : "NO")})) {
        return fail("gen_vsftpd_conf.sh failed");
    }
    std::string conf = work_.File("vsftpd.conf");
    std::string log = work_.File("stderr.log");
    std::vector<std::string> args = {"/usr/sbin/vsftpd", conf};
    std::vector<char*> argv = {args[0].data(), args[1].data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_APPEND, 0600);
    int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        pid_ = -1;
        return fail("cannot start vsftpd");
    }
    if (!WaitForGreeting()) {
        Stop();
        return fail("vsftpd did not greet: " + ReadWholeFile(log) +
                    ReadWholeFile(work_.File("vsftpd.log")));
    }
    return true;
}

bool VsftpdServer::WaitForGreeting() {
    for (int i = 0; i < 100; ++i) {
        int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port_);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            timeval wait{5, 0};
            setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
            char greeting[4] = {};
            ssize_t n = recv(fd, greeting, 3, MSG_WAITALL);
            close(fd);
            return n == 3 && std::string(greeting, 3) == "220";
        }
        close(fd);
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

void VsftpdServer::Stop() {
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
