#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cerrno>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "servers/server_process.h"
#include "support/temp_folder.h"

struct CliRun {
    int status = -1;  // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Changes to the child's environment: a value sets the variable, nullopt removes it. The child
// never inherits BRINDLEFTP_PASSWORD from the test's environment; a test that wants it sets it.
using CliEnvironment = std::vector<std::pair<std::string, std::optional<std::string>>>;

// brindleftp-cli (the real program) started in the background with stdin from /dev/null and
// its output captured in files. Killed and reaped when the object dies while it still runs.
class CliProcess {
public:
    CliProcess() = default;
    ~CliProcess() { Signal(SIGKILL) ? void(Wait()) : void(); }
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    // False (with a test failure) when the program could not be started.
    bool Start(const std::vector<std::string>& args, const CliEnvironment& environment = {}) {
        // Through env, which leaves out the password and the changed variables and sets the
        // new ones.
        std::vector<std::string> argv{"/usr/bin/env", "-u", "BRINDLEFTP_PASSWORD"};
        for (const auto& [name, value] : environment) {
            argv.insert(argv.begin() + 1, {"-u", name});
            value ? argv.push_back(name + "=" + *value) : void();
        }
        argv.push_back(BRINDLE_CLI_PATH);
        argv.insert(argv.end(), args.begin(), args.end());
        pid_ = SpawnWithFiles(argv, folder_.File("out"), folder_.File("err"));
        EXPECT_GT(pid_, 0) << "cannot start " << BRINDLE_CLI_PATH;
        return pid_ > 0;
    }
    bool Signal(int signalNumber) const { return pid_ > 0 && kill(pid_, signalNumber) == 0; }
    CliRun Wait() {
        int status = 0;
        pid_t waited = -1;
        while (pid_ > 0 && (waited = waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        return {waited > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                ReadWholeFile(folder_.File("out")), ReadWholeFile(folder_.File("err"))};
    }

private:
    TempFolder folder_{"brindle-cli-run"};
    pid_t pid_ = -1;
};

inline CliRun RunCli(const std::vector<std::string>& args, const CliEnvironment& environment = {}) {
    CliProcess process;
    return process.Start(args, environment) ? process.Wait() : CliRun{};
}
