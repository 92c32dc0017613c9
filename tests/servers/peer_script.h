#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "servers/server_process.h"

// A TCP peer on 127.0.0.1 that plays a fixed script on the first connection it accepts: exact
// bytes, pauses, silence, half-lines, dropped connections. For replies and timings no real
// server produces on demand.
class ScriptedPeer {
public:
    ScriptedPeer();
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    // Steps, run in order once Start() is called; the connection closes after the last.
    ScriptedPeer& Send(std::string bytes);
    ScriptedPeer& Pause(int ms);
    ScriptedPeer& ExpectLine();                        // records the line without its CR LF
    ScriptedPeer& ReceiveUntilClosed();                // records the bytes
    ScriptedPeer& HoldOpen();                          // silent until the peer is destroyed
    ScriptedPeer& Call(std::function<void()> action);  // on the peer's thread
    ScriptedPeer& Close();

    void Start() {
        thread_ = std::thread([this] { Run(); });
    }
    // Until the script has run out (or the peer is destroyed).
    void Wait() { thread_.joinable() ? thread_.join() : void(); }
    std::uint16_t port() const { return port_; }
    sockaddr_in address() const { return LoopbackAddress(port_); }
    std::string hostText() const { return "127.0.0.1:" + std::to_string(port_); }
    std::vector<std::string> ReceivedLines();
    std::string ReceivedBytes();

    std::map<std::string, std::string> scriptValues;  // PlayScript's, for ScriptMismatch

private:
    ScriptedPeer& Add(std::function<bool(int fd)> step);
    void Run();
    // Whether `fd` became readable within 30 s, before the peer was destroyed.
    bool Readable(int fd);

    std::uint16_t port_ = 0;  // before listen_, which is bound to it
    FileDescriptor listen_{BindFreeLoopbackPort(port_)};
    FileDescriptor stopRead_, stopWrite_;  // a byte written here stops every step
    std::vector<std::function<bool(int fd)>> steps_;
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::string> lines_;
    std::string bytes_;
};

// The 227 reply (without CR LF) that sends the client's data connection to `port` on 127.0.0.1.
inline std::string PassiveReplyFor(std::uint16_t port) {
    return "227 Entering Passive Mode (127,0,0,1," + std::to_string(port / 256) + "," +
           std::to_string(port % 256) + ")";
}

// A scripted conversation read from a data file (tests/data/<subsystem>/NAME.script):
//   === case name        starts a case         # comment
//   < TEXT               send TEXT and CR LF   <| TEXT   send TEXT as it is
//   > TEXT               read one line, the client must have sent exactly TEXT
//   >                    read one line, whatever it is
//   pause MS | hold | close
//   receive              read until the client closes; as the last step, nothing may come
// {KEY} stands for the value a test passes for KEY; then the escapes of Unescape apply.
struct PeerScript {
    std::string name;
    std::vector<std::string> lines;
};

std::vector<PeerScript> LoadPeerScripts(const std::string& file);
const PeerScript& FindPeerScript(const std::vector<PeerScript>& scripts, const std::string& name);
void PlayScript(ScriptedPeer& peer, const PeerScript& script,
                const std::map<std::string, std::string>& values = {});
// "" when the client sent every "> TEXT" line of the script and nothing at a last "receive",
// else what differs. After peer.Wait(), unless the script holds the connection.
std::string ScriptMismatch(ScriptedPeer& peer, const PeerScript& script);
