#include "servers/peer_script.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>

#include "frame/file_descriptor.h"
#include "support/case_table.h"

ScriptedPeer::ScriptedPeer() {
    int ends[2] = {-1, -1};
    if (pipe2(ends, O_CLOEXEC) != 0 || listen(listen_.get(), 4) != 0) {
        port_ = 0;
    }
    stopRead_ = FileDescriptor(ends[0]);
    stopWrite_ = FileDescriptor(ends[1]);
}

ScriptedPeer::~ScriptedPeer() {
    [[maybe_unused]] const bool stopped = WriteAll(stopWrite_.get(), "x", 1);
    Wait();
}

ScriptedPeer& ScriptedPeer::Add(std::function<bool(int fd)> step) {
    steps_.push_back(std::move(step));
    return *this;
}

ScriptedPeer& ScriptedPeer::Send(std::string bytes) {
    return Add(
        [bytes = std::move(bytes)](int fd) { return WriteAll(fd, bytes.data(), bytes.size()); });
}

ScriptedPeer& ScriptedPeer::Pause(int ms) {
    return Add([this, ms](int) {
        pollfd stop{stopRead_.get(), POLLIN, 0};
        return poll(&stop, 1, ms) == 0;
    });
}

ScriptedPeer& ScriptedPeer::HoldOpen() {
    return Pause(-1);
}

ScriptedPeer& ScriptedPeer::ExpectLine() {
    return Add([this](int fd) {
        std::string line;
        for (char byte = 0; byte != '\n';) {
            if (!Readable(fd) || recv(fd, &byte, 1, 0) != 1) {
                return false;
            }
            line += byte;
        }
        line.resize(line.size() - (line.ends_with("\r\n") ? 2 : 1));
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.push_back(line);
        return true;
    });
}

ScriptedPeer& ScriptedPeer::ReceiveUntilClosed() {
    return Add([this](int fd) {
        char buffer[65536];
        while (Readable(fd)) {
            const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) {
                return true;
            }
            std::lock_guard<std::mutex> lock(mutex_);
            bytes_.append(buffer, static_cast<std::size_t>(n));
        }
        return false;
    });
}

ScriptedPeer& ScriptedPeer::Call(std::function<void()> action) {
    return Add([action = std::move(action)](int) { return action(), true; });
}

ScriptedPeer& ScriptedPeer::Close() {
    return Add([](int) { return false; });
}

std::vector<std::string> ScriptedPeer::ReceivedLines() {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
}

std::string ScriptedPeer::ReceivedBytes() {
    std::lock_guard<std::mutex> lock(mutex_);
    return bytes_;
}

bool ScriptedPeer::Readable(int fd) {
    pollfd entries[2] = {{fd, POLLIN, 0}, {stopRead_.get(), POLLIN, 0}};
    return poll(entries, 2, 30000) > 0 && (entries[1].revents & POLLIN) == 0;
}

void ScriptedPeer::Run() {
    if (Readable(listen_.get())) {
        const FileDescriptor fd(accept4(listen_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        for (std::size_t i = 0; fd.valid() && i < steps_.size() && steps_[i](fd.get()); ++i) {
        }
    }
}

std::vector<PeerScript> LoadPeerScripts(const std::string& file) {
    std::ifstream in(TestDataPath(file));
    EXPECT_TRUE(in) << "cannot read test data " << file;
    std::vector<PeerScript> scripts;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("=== ")) {
            scripts.push_back({line.substr(4), {}});
        } else if (!scripts.empty() && !line.empty() && line[0] != '#') {
            scripts.back().lines.push_back(line);
        }
    }
    return scripts;
}

const PeerScript& FindPeerScript(const std::vector<PeerScript>& scripts, const std::string& name) {
    for (const PeerScript& script : scripts) {
        if (script.name == name) {
            return script;
        }
    }
    ADD_FAILURE() << "no script named " << name;
    static const PeerScript kEmpty;
    return kEmpty;
}

void PlayScript(ScriptedPeer& peer, const PeerScript& script,
                const std::map<std::string, std::string>& values) {
    peer.scriptValues = values;
    for (const std::string& line : script.lines) {
        const std::string text = line.size() > 2 ? line.substr(line[1] == '|' ? 3 : 2) : "";
        if (line.starts_with("<|")) {
            peer.Send(Unescape(Substitute(text, values)));
        } else if (line[0] == '<') {
            peer.Send(Unescape(Substitute(text, values)) + "\r\n");
        } else if (line[0] == '>') {
            peer.ExpectLine();
        } else if (line.starts_with("pause ")) {
            peer.Pause(std::stoi(line.substr(6)));
        } else if (line == "hold" || line == "close" || line == "receive") {
            line == "hold"    ? peer.HoldOpen()
            : line == "close" ? peer.Close()
                              : peer.ReceiveUntilClosed();
        } else {
            ADD_FAILURE() << "script " << script.name << ": cannot read \"" << line << '"';
        }
    }
}

std::string ScriptMismatch(ScriptedPeer& peer, const PeerScript& script) {
    const std::vector<std::string> sent = peer.ReceivedLines();
    std::string mismatch;
    std::size_t index = 0;
    for (const std::string& line : script.lines) {
        if (line[0] != '>') {
            continue;
        }
        const std::string expected =
            line.size() > 2 ? Unescape(Substitute(line.substr(2), peer.scriptValues)) : "";
        if (index >= sent.size()) {
            mismatch += "not sent: \"" + expected + "\"\n";
        } else if (!expected.empty() && sent[index] != expected) {
            mismatch += "sent \"" + sent[index] + "\" where \"" + expected + "\" was expected\n";
        }
        ++index;
    }
    if (!script.lines.empty() && script.lines.back() == "receive" &&
        !peer.ReceivedBytes().empty()) {
        mismatch += "sent after the script: \"" + peer.ReceivedBytes() + "\"\n";
    }
    return mismatch;
}
