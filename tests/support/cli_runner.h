#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/temp_folder.h"

// What a run of brindleftp-cli left behind.
struct CliRun {
    int status = -1;  // exit status; -1 when the program did not exit normally
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
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    // False (with a test failure) when the program could not be started.
    bool Start(const std::vector<std::string>& args, const CliEnvironment& environment = {});
    bool Signal(int signalNumber) const;
    // Waits for the program to end and collects its output.
    CliRun Wait();

private:
    TempFolder folder_{"brindle-cli-run"};
    pid_t pid_ = -1;
};

// Runs brindleftp-cli to its end.
CliRun RunCli(const std::vector<std::string>& args, const CliEnvironment& environment = {});
