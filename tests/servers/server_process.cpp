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

extern char** environ;

pid_t SpawnWithFiles(std::vector<std::string> args, const std::string& out,
                     const std::string& err) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : -1;
}

bool LoopbackServer::StartAndWait(const std::vector<std::string>& args,
                                  const std::function<bool()>& ready, std::string* why) {
    Stop();
    const std::string log = work_.File("log");
    pid_ = SpawnWithFiles(args, "/dev/null", log);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int status = 0;
    while (!ready()) {
        if (pid_ <= 0 || waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return Fail(why, args[0] + " ended: " + ReadWholeFile(log));
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            Stop();
            return Fail(why, args[0] + " was not ready within 60 s");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

void LoopbackServer::Stop() {
    if (pid_ > 0 && kill(pid_, SIGKILL) == 0) {
        waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
}

sockaddr_in LoopbackAddress(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

sockaddr_in6 Ipv6LoopbackAddress(std::uint16_t port) {
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_port = htons(port);
    address.sin6_addr = in6addr_loopback;
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
    close(BindFreeLoopbackPort(port));  // -1 when there was none
    return port;
}
