#include "support/cli_runner.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cerrno>

#include "servers/server_process.h"

CliProcess::~CliProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        Wait();
    }
}

bool CliProcess::Start(const std::vector<std::string>& args, const CliEnvironment& environment) {
    // The inherited environment without the password and the changed variables, then the changes.
    std::vector<std::string> entries;
    for (const std::string& entry : InheritedEnvironment()) {
        const std::string name = entry.substr(0, entry.find('='));
        bool replaced = name == "BRINDLEFTP_PASSWORD";
        for (const auto& change : environment) {
            replaced = replaced || name == change.first;
        }
        if (!replaced) {
            entries.push_back(entry);
        }
    }
    for (const auto& [name, value] : environment) {
        if (value) {
            entries.push_back(name + "=" + *value);
        }
    }
    std::vector<std::string> argv{BRINDLE_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    pid_ = SpawnWithFiles(argv, folder_.File("out"), folder_.File("err"), entries);
    if (pid_ <= 0) {
        ADD_FAILURE() << "cannot start " << BRINDLE_CLI_PATH;
        return false;
    }
    return true;
}

bool CliProcess::Signal(int signalNumber) const {
    return pid_ > 0 && kill(pid_, signalNumber) == 0;
}

CliRun CliProcess::Wait() {
    CliRun run;
    if (pid_ <= 0) {
        return run;
    }
    int status = 0;
    pid_t waited;
    while ((waited = waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    if (waited > 0 && WIFEXITED(status)) {
        run.status = WEXITSTATUS(status);
    }
    run.out = ReadWholeFile(folder_.File("out"));
    run.err = ReadWholeFile(folder_.File("err"));
    return run;
}

CliRun RunCli(const std::vector<std::string>& args, const CliEnvironment& environment) {
    CliProcess process;
    return process.Start(args, environment) ? process.Wait() : CliRun{};
}
