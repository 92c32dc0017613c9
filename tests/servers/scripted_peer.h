#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A TCP peer on 127.0.0.1 that plays a fixed script on the first connection it accepts: exact
// bytes, pauses, silence, half-lines, dropped connections. For replies and timings no real
// server produces on demand.
class ScriptedPeer {
public:
    ScriptedPeer();
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    // Script steps, run in the order they were added once Start() is called.
    ScriptedPeer& Send(std::string bytes);
    ScriptedPeer& Pause(int ms);
    // Reads one line (up to LF) from the client and records it without its CR LF.
    ScriptedPeer& ExpectLine();
    // Reads until the client closes and records every chunk's size and the bytes.
    ScriptedPeer& ReceiveUntilClosed();
    // Keeps the connection open and silent until the peer is destroyed.
    ScriptedPeer& HoldOpen();
    // Runs `action` on the peer's thread when the script gets here (e.g. a stop at that moment).
    ScriptedPeer& Call(std::function<void()> action);
    // Closes the connection (also what happens after the last step).
    ScriptedPeer& Close();

    void Start();
    std::uint16_t port() const { return port_; }
    sockaddr_in address() const;
    std::string hostText() const;  // "127.0.0.1:PORT"

    // What the client sent, available after the script reached the step (Wait() first).
    std::vector<std::string> ReceivedLines();
    std::string ReceivedBytes();
    // Blocks until the script has run to its end (or the peer is stopped).
    void Wait();

    // The {KEY} values of the script PlayScript added, for ScriptMismatch.
    std::map<std::string, std::string> scriptValues;

private:
    using Step = std::function<bool(int fd)>;
    void Run();
    // Waits up to `ms` (-1: without limit) for the peer to be destroyed.
    bool Stopped(int ms);
    bool ReadLineFrom(int fd, std::string& line);
    bool WaitReadable(int fd);

    int listenFd_ = -1;
    int stopPipe_[2] = {-1, -1};
    std::uint16_t port_ = 0;
    std::vector<Step> steps_;
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::string> lines_;
    std::string bytes_;
};
