#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

// Runs body in a forked child, so that signal dispositions and fatal signals stay out of the
// test program. body gets a descriptor whose bytes the parent collects; a child that returns
// from body exits with status 0. No core files are written.
struct ChildOutcome {
    int status = 0;  // as waitpid gives it
    std::string output;

    bool EndedBySignal(int signal) const {
        return WIFSIGNALED(status) && WTERMSIG(status) == signal;
    }
    bool ExitedWith(int code) const { return WIFEXITED(status) && WEXITSTATUS(status) == code; }
};

template <typename Body>
ChildOutcome RunInChild(Body body) {
    ChildOutcome outcome;
    int ends[2];
    if (pipe(ends) != 0) {
        outcome.status = -1;
        return outcome;
    }
    pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        body(ends[1]);
        _exit(0);
    }
    close(ends[1]);
    char block[4096];
    ssize_t got;
    while ((got = read(ends[0], block, sizeof block)) != 0) {
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            break;
        }
        outcome.output.append(block, static_cast<std::size_t>(got));
    }
    close(ends[0]);
    while (waitpid(child, &outcome.status, 0) < 0 && errno == EINTR) {
    }
    return outcome;
}

// Writes the whole text to fd (in a child, where the parent collects it).
inline void WriteText(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t written = write(fd, text.data() + done, text.size() - done);
        if (written <= 0) {
            return;
        }
        done += static_cast<std::size_t>(written);
    }
}
