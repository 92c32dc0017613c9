#include "servers/scripted_peer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "servers/server_process.h"

ScriptedPeer::ScriptedPeer() {
    if (pipe2(stopPipe_, O_CLOEXEC) != 0) {
        stopPipe_[0] = stopPipe_[1] = -1;
    }
    listenFd_ = BindFreeLoopbackPort(port_);
    if (listenFd_ >= 0 && listen(listenFd_, 4) != 0) {
        port_ = 0;
    }
}

ScriptedPeer::~ScriptedPeer() {
    if (stopPipe_[1] >= 0) {
        [[maybe_unused]] ssize_t n = write(stopPipe_[1], "x", 1);
    }
    Wait();
    for (int fd : {listenFd_, stopPipe_[0], stopPipe_[1]}) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

sockaddr_in ScriptedPeer::address() const {
    return LoopbackAddress(port_);
}

std::string ScriptedPeer::hostText() const {
    return "127.0.0.1:" + std::to_string(port_);
}

ScriptedPeer& ScriptedPeer::Send(std::string bytes) {
    steps_.push_back([bytes = std::move(bytes)](int fd) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n <= 0) {
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    });
    return *this;
}

bool ScriptedPeer::Stopped(int ms) {
    pollfd stop{stopPipe_[0], POLLIN, 0};
    return poll(&stop, 1, ms) != 0;
}

ScriptedPeer& ScriptedPeer::Pause(int ms) {
    steps_.push_back([this, ms](int) { return !Stopped(ms); });
    return *this;
}

ScriptedPeer& ScriptedPeer::ExpectLine() {
    steps_.push_back([this](int fd) {
        std::string line;
        if (!ReadLineFrom(fd, line)) {
            return false;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.push_back(line);
        return true;
    });
    return *this;
}

ScriptedPeer& ScriptedPeer::ReceiveUntilClosed() {
    steps_.push_back([this](int fd) {
        char buffer[65536];
        while (WaitReadable(fd)) {
            ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) {
                return true;
            }
            std::lock_guard<std::mutex> lock(mutex_);
            bytes_.append(buffer, static_cast<std::size_t>(n));
        }
        return false;
    });
    return *this;
}

ScriptedPeer& ScriptedPeer::HoldOpen() {
    steps_.push_back([this](int) { return !Stopped(-1); });
    return *this;
}

ScriptedPeer& ScriptedPeer::Call(std::function<void()> action) {
    steps_.push_back([action = std::move(action)](int) {
        action();
        return true;
    });
    return *this;
}

ScriptedPeer& ScriptedPeer::Close() {
    steps_.push_back([](int) { return false; });
    return *this;
}

void ScriptedPeer::Start() {
    thread_ = std::thread([this] { Run(); });
}

void ScriptedPeer::Wait() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

std::vector<std::string> ScriptedPeer::ReceivedLines() {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
}

std::string ScriptedPeer::ReceivedBytes() {
    std::lock_guard<std::mutex> lock(mutex_);
    return bytes_;
}

bool ScriptedPeer::WaitReadable(int fd) {
    pollfd entries[2] = {{fd, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
    if (poll(entries, 2, 30000) <= 0) {
        return false;
    }
    return (entries[1].revents & POLLIN) == 0;
}

bool ScriptedPeer::ReadLineFrom(int fd, std::string& line) {
    line.clear();
    char byte;
    while (WaitReadable(fd)) {
        if (recv(fd, &byte, 1, 0) != 1) {
            return false;
        }
        if (byte == '\n') {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            return true;
        }
        line += byte;
    }
    return false;
}

void ScriptedPeer::Run() {
    if (WaitReadable(listenFd_)) {
        int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0) {
            for (const Step& step : steps_) {
                if (!step(fd)) {
                    break;
                }
            }
            close(fd);
        }
    }
}
