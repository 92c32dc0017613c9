#include "servers/http_server_fixture.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "frame/paths.h"

extern char** environ;

namespace {

sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A bound socket on a port the system picked; -1 on failure.
int BindAnyPort(std::uint16_t& port) {
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

bool Answers(std::uint16_t port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Loopback(port);
    bool connected =
        fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0) {
        close(fd);
    }
    return connected;
}

}  // namespace

PythonHttpServer::PythonHttpServer() {
    root_ = work_.File("root");
    logFile_ = work_.File("server.log");
    mkdir(root_.c_str(), 0755);
}

PythonHttpServer::~PythonHttpServer() {
    Stop();
}

bool PythonHttpServer::Serve(const std::string& path, const std::string& bytes) const {
    std::string full = root_ + "/" + path;
    std::size_t cut = full.find_last_of('/');
    return CreateFolderPath(full.substr(0, cut)) && WriteWholeFile(full, bytes);
}

bool PythonHttpServer::Start(std::string* why) {
    // Another program may take the free port between the look and the server's bind.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (StartOnce(why)) {
            return true;
        }
    }
    return false;
}

bool PythonHttpServer::StartOnce(std::string* why) {
    int probe = BindAnyPort(port_);
    if (probe < 0) {
        if (why != nullptr) {
            *why = "no free port on 127.0.0.1";
        }
        return false;
    }
    close(probe);
    std::vector<std::string> args = {"/usr/bin/python3", "-m",        "http.server",
                                     "--bind",           "127.0.0.1", std::to_string(port_),
                                     "--directory",      root_};
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, logFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
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
        if (Answers(port_)) {
            return true;
        }
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            if (why != nullptr) {
                *why = "http.server exited: " + ReadWholeFile(logFile_);
            }
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (why != nullptr) {
        *why = "http.server did not answer within 10 s";
    }
    Stop();
    return false;
}

void PythonHttpServer::Stop() {
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

std::vector<std::string> PythonHttpServer::Requests() const {
    // Each answered request is logged as: 127.0.0.1 - - [date] "GET /x HTTP/1.0" 200 -
    std::vector<std::string> requests;
    std::istringstream log(ReadWholeFile(logFile_));
    std::string line;
    while (std::getline(log, line)) {
        std::size_t open = line.find("] \"");
        std::size_t close = line.rfind('"');
        if (open != std::string::npos && close != std::string::npos && close > open + 3) {
            requests.push_back(line.substr(open + 3, close - open - 3));
        }
    }
    return requests;
}

RefusingPort::RefusingPort() {
    // Bound but not listening: connecting is refused, and no other program gets the port.
    fd_ = BindAnyPort(port_);
}

RefusingPort::~RefusingPort() {
    if (fd_ >= 0) {
        close(fd_);
    }
}
