#include "frame/child_program.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "frame/file_descriptor.h"

extern char** environ;

namespace {

constexpr std::size_t kMaxOutputBytes = 4096;

class SpawnActions {
public:
    SpawnActions() { posix_spawn_file_actions_init(&actions_); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;

    posix_spawn_file_actions_t* get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

void ReadOutput(int fd, std::string& output) {
    char block[512];
    for (;;) {
        ssize_t got = read(fd, block, sizeof block);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return;
        }
        output.append(block, static_cast<std::size_t>(got));
        output.resize(std::min(output.size(), kMaxOutputBytes));
    }
}

}  // namespace

ChildProgramEnd RunChildProgram(const std::vector<std::string>& argv, bool searchPath,
                                std::string* output) {
    if (argv.empty()) {
        return ChildProgramEnd::kNotStarted;
    }
    FileDescriptor readEnd;
    FileDescriptor writeEnd;
    if (output != nullptr) {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) {
            return ChildProgramEnd::kNotStarted;
        }
        readEnd = FileDescriptor(ends[0]);
        writeEnd = FileDescriptor(ends[1]);
    }
    SpawnActions actions;
    posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (output != nullptr) {
        posix_spawn_file_actions_adddup2(actions.get(), writeEnd.get(), STDOUT_FILENO);
    } else {
        posix_spawn_file_actions_addopen(actions.get(), STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    }
    posix_spawn_file_actions_addopen(actions.get(), STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> arguments;
    for (const std::string& argument : argv) {
        arguments.push_back(const_cast<char*>(argument.c_str()));
    }
    arguments.push_back(nullptr);
    pid_t child = 0;
    const int spawned =
        searchPath
            ? posix_spawnp(&child, arguments[0], actions.get(), nullptr, arguments.data(), environ)
            : posix_spawn(&child, arguments[0], actions.get(), nullptr, arguments.data(), environ);
    if (spawned != 0) {
        return ChildProgramEnd::kNotStarted;
    }
    if (output != nullptr) {
        // Only the child keeps a write end, so the output ends when the child does.
        writeEnd.Close();
        ReadOutput(readEnd.get(), *output);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            return ChildProgramEnd::kUnknown;
        }
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ChildProgramEnd::kSucceeded
                                                         : ChildProgramEnd::kFailed;
}
