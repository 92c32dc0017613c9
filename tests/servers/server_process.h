#pragma once

#include <netinet/in.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/temp_folder.h"

// A server program a test starts; stopped (SIGTERM, then SIGKILL) when the object dies.
class ServerProcess {
public:
    ServerProcess() = default;
    ~ServerProcess() { Stop(); }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // Starts `args` with stdin from /dev/null, stdout to `stdoutPath` and stderr appended to
    // `stderrPath` (or to the same file when that is empty).
    bool Spawn(std::vector<std::string> args, const std::string& stdoutPath,
               const std::string& stderrPath = "");

    enum class Wait { Ready, Exited, TimedOut };
    // Asks `ready` every 50 ms until it says yes, the program ends or `seconds` pass. A cold
    // machine may take seconds to start an interpreter, so callers give it plenty.
    Wait WaitUntil(const std::function<bool()>& ready, double seconds);

    // Spawn (stdout to /dev/null, stderr to `log`), then WaitUntil `ready` for 60 s; when the
    // program does not get ready it is stopped and `why` says what happened.
    bool StartAndWait(const std::vector<std::string>& args, const std::string& log,
                      const std::function<bool()>& ready, std::string* why);

    void Stop();
    bool running() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
};

// What the server fixtures share: a work folder, the server program and its port on 127.0.0.1.
// The program is stopped when the object dies.
class LoopbackServer {
public:
    explicit LoopbackServer(const std::string& prefix) : work_(prefix) {}
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    std::uint16_t port() const { return port_; }
    std::string hostText() const { return "127.0.0.1:" + std::to_string(port_); }
    void Stop() { server_.Stop(); }

protected:
    TempFolder work_;
    ServerProcess server_;
    std::uint16_t port_ = 0;
};

// Runs a helper program to its end; true when it exits with 0. `environment` entries
// ("NAME=value") come before the inherited ones.
bool RunToSuccess(std::vector<std::string> args, const std::vector<std::string>& environment = {});

// Spawns `args` with stdin from /dev/null, stdout to `out` and stderr to `err` ("" keeps the
// test's own; `err` equal to `out` shares it) and the environment `environment`; -1 on failure.
pid_t SpawnWithFiles(std::vector<std::string> args, const std::string& out, const std::string& err,
                     std::vector<std::string> environment);
// The test's own environment as "NAME=value" texts.
std::vector<std::string> InheritedEnvironment();

sockaddr_in LoopbackAddress(std::uint16_t port);

// A socket bound (not listening) on a port of 127.0.0.1 the system picked, stored in `port`;
// -1 on failure.
int BindFreeLoopbackPort(std::uint16_t& port);

// A port on 127.0.0.1 that nothing listened on a moment ago; another program may still take it
// before the caller binds it.
std::uint16_t FreeLoopbackPort();

// Whether something accepts connections on 127.0.0.1:`port`.
bool LoopbackAnswers(std::uint16_t port);

// A port on 127.0.0.1 that refuses connections for as long as the object lives.
class RefusingPort {
public:
    RefusingPort() : fd_(BindFreeLoopbackPort(port_)) {}  // bound, not listening
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;

    std::uint16_t port() const { return port_; }
    std::string hostText() const { return "127.0.0.1:" + std::to_string(port_); }

private:
    std::uint16_t port_ = 0;
    int fd_ = -1;
};
