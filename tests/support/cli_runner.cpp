#include "support/cli_runner.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

extern char** environ;

namespace {

constexpr std::string_view kPasswordVariable = "BRINDLEFTP_PASSWORD";

std::string_view VariableName(std::string_view entry) {
    return entry.substr(0, entry.find('='));
}

// The test's environment with the changes applied, as "NAME=value" texts.
std::vector<std::string> ChildEnvironment(const CliEnvironment& changes) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        std::string_view name = VariableName(*entry);
        bool replaced = name == kPasswordVariable;
        for (const auto& change : changes) {
            replaced = replaced || name == change.first;
        }
        if (!replaced) {
            entries.emplace_back(*entry);
        }
    }
    for (const auto& [name, value] : changes) {
        if (value) {
            entries.push_back(name + "=" + *value);
        }
    }
    return entries;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

CliProcess::~CliProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        Wait();
    }
}

bool CliProcess::Start(const std::vector<std::string>& args, const CliEnvironment& environment) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, folder_.File("out").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, folder_.File("err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);

    std::vector<std::string> argvText{BRINDLE_CLI_PATH};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv = Pointers(argvText);
    std::vector<std::string> environmentText = ChildEnvironment(environment);
    std::vector<char*> envp = Pointers(environmentText);

    int spawned = posix_spawn(&pid_, BRINDLE_CLI_PATH, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        pid_ = -1;
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
    if (!process.Start(args, environment)) {
        return {};
    }
    return process.Wait();
}
