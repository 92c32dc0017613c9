#pragma once

#include <netinet/in.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "frame/file_descriptor.h"
#include "support/temp_folder.h"

// What the server fixtures share: a work folder, the server program (killed when the object
// dies) and its port on 127.0.0.1 (or ::1).
class LoopbackServer {
public:
    explicit LoopbackServer(const std::string& prefix) : work_(prefix) {}
    ~LoopbackServer() { Stop(); }
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    std::string hostText() const { return loopback_ + ":" + std::to_string(port_); }
    void Stop();

protected:
    // Starts `args` (stderr to the file "log") and waits up to 60 s, as a cold machine may need,
    // until `ready`; false with the reason in `why` when the program ended or was not ready.
    bool StartAndWait(const std::vector<std::string>& args, const std::function<bool()>& ready,
                      std::string* why);

    TempFolder work_;
    pid_t pid_ = -1;
    std::uint16_t port_ = 0;
    std::string loopback_ = "127.0.0.1";  // as a server text: "[::1]" for a server on IPv6
};

// False, with `reason` in `why` when it is given.
inline bool Fail(std::string* why, const std::string& reason) {
    if (why != nullptr) {
        *why = reason;
    }
    return false;
}

// Spawns `args` with stdin from /dev/null and stdout and stderr to these files; -1 on failure.
pid_t SpawnWithFiles(std::vector<std::string> args, const std::string& out, const std::string& err);

sockaddr_in LoopbackAddress(std::uint16_t port);
sockaddr_in6 Ipv6LoopbackAddress(std::uint16_t port);  // ::1
// A socket bound (not listening) on a free port of 127.0.0.1, stored in `port`; -1 on failure.
int BindFreeLoopbackPort(std::uint16_t& port);
// Free a moment ago; another program may still take it first.
std::uint16_t FreeLoopbackPort();

// A port on 127.0.0.1 that refuses connections (bound, not listening) while the object lives.
struct RefusingPort {
    std::string hostText() const { return "127.0.0.1:" + std::to_string(port); }

    std::uint16_t port = 0;
    FileDescriptor fd{BindFreeLoopbackPort(port)};
};
