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

#include "frame/file_system.h"
#include "support/temp_folder.h"

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

}  // namespace

pid_t SpawnWithFiles(std::vector<std::string> args, const std::string& out, const std::string& err,
                     std::vector<std::string> environment) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (!out.empty()) {
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
    }
    if (!err.empty() && err == out) {
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    } else if (!err.empty()) {
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                         0644);
    }
    std::vector<char*> argv = PointersTo(args);
    std::vector<char*> envp = PointersTo(environment);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : -1;
}

std::vector<std::string> InheritedEnvironment() {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        entries.emplace_back(*entry);
    }
    return entries;
}

bool ServerProcess::Spawn(std::vector<std::string> args, const std::string& stdoutPath,
                          const std::string& stderrPath) {
    Stop();
    pid_ = SpawnWithFiles(std::move(args), stdoutPath, stderrPath.empty() ? stdoutPath : stderrPath,
                          InheritedEnvironment());
    return pid_ > 0;
}

ServerProcess::Wait ServerProcess::WaitUntil(const std::function<bool()>& ready, double seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!ready()) {
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
    return Wait::Ready;
}

bool ServerProcess::StartAndWait(const std::vector<std::string>& args, const std::string& log,
                                 const std::function<bool()>& ready, std::string* why) {
    const Wait waited = Spawn(args, "/dev/null", log) ? WaitUntil(ready, 60) : Wait::Exited;
    if (waited == Wait::Ready) {
        return true;
    }
    Stop();
    if (why != nullptr) {
        *why = args[0] + (waited == Wait::Exited ? " ended: " + ReadWholeFile(log)
                                                 : " was not ready within 60 s");
    }
    return false;
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
    if (!environment.empty()) {
        args.insert(args.begin(), environment.begin(), environment.end());
        args.insert(args.begin(), "/usr/bin/env");
    }
    return RunProgram(args);
}

sockaddr_in LoopbackAddress(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

int BindFreeLoopbackPort(std::uint16_t& port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = LoopbackAddress(0);
    socklen_t length = sizeof address;
    if (fd >= 0 && (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
                    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)) {
        close(fd);
        fd = -1;
    }
    port = fd < 0 ? 0 : ntohs(address.sin_port);
    return fd;
}

std::uint16_t FreeLoopbackPort() {
    std::uint16_t port = 0;
    if (int fd = BindFreeLoopbackPort(port); fd >= 0) {
        close(fd);
    }
    return port;
}

bool LoopbackAnswers(std::uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = LoopbackAddress(port);
    const bool connected =
        fd >= 0 && connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0) {
        close(fd);
    }
    return connected;
}

RefusingPort::~RefusingPort() {
    if (fd_ >= 0) {
        close(fd_);
    }
}
