#include "servers/server_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

extern char** environ;

namespace {

std::vector<char*> PointersTo(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

}  // namespace

bool ServerProcess::Spawn(std::vector<std::string> args, const std::string& stdoutPath,
                          const std::string& stderrPath) {
    Stop();
    std::vector<char*> argv = PointersTo(args);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    if (stderrPath.empty()) {
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    } else {
        posix_spawn_file_actions_addopen(&actions, 2, stderrPath.c_str(),
                                         O_WRONLY | O_CREAT | O_APPEND, 0644);
    }
    int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        pid_ = -1;
        return false;
    }
    return true;
}

ServerProcess::Wait ServerProcess::WaitUntil(const std::function<bool()>& ready, double seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (true) {
        if (ready()) {
            return Wait::Ready;
        }
        int status = 0;
        if (pid_ <= 0 || waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return Wait::Exited;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return Wait::TimedOut;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

void ServerProcess::Stop() {
    if (pid_ <= 0) {
        return;
    }
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

bool RunToSuccess(std::vector<std::string> args, const std::vector<std::string>& environment) {
    std::vector<char*> argv = PointersTo(args);
    std::vector<std::string> envStrings(environment);
    for (char** entry = environ; *entry != nullptr; ++entry) {
        envStrings.emplace_back(*entry);
    }
    std::vector<char*> envp = PointersTo(envStrings);
    pid_t pid = -1;
    int status = 0;
    return posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) == 0 &&
           waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int BindFreeLoopbackPort(std::uint16_t& port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (fd >= 0) {
            close(fd);
        }
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

std::uint16_t FreeLoopbackPort() {
    std::uint16_t port = 0;
    int fd = BindFreeLoopbackPort(port);
    if (fd < 0) {
        return 0;
    }
    close(fd);
    return port;
}

bool LoopbackAnswers(std::uint16_t port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_in address = Loopback(port);
    bool connected = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return connected;
}

RefusingPort::RefusingPort() {
    // Bound but not listening: connecting is refused, and no other program gets the port.
    fd_ = BindFreeLoopbackPort(port_);
}

RefusingPort::~RefusingPort() {
    if (fd_ >= 0) {
        close(fd_);
    }
}
