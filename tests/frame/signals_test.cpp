#include "frame/signals.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "frame/crash_handler.h"
#include "frame/forked_child.h"

namespace {

// The state letter of a process in /proc ('Z' for a finished child nobody collected); ' ' when
// the process is gone.
char ProcessState(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) {
        return ' ';
    }
    std::size_t end = line.rfind(')');
    return end != std::string::npos && end + 2 < line.size() ? line[end + 2] : '?';
}

// Waits (at most ten seconds) until the process is in the state.
bool WaitForState(pid_t pid, char state) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (ProcessState(pid) != state) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

pid_t StartChildThatExits(int code) {
    pid_t child = fork();
    if (child == 0) {
        _exit(code);
    }
    return child;
}

TEST(SignalDispositions, FatalSignalsGoToTheCrashHandlerWithEverySignalBlocked) {
    ChildOutcome outcome = RunInChild([](int fd) {
        InstallSignalDispositions();
        for (int signal : {SIGQUIT, SIGILL, SIGFPE, SIGSEGV}) {
            struct sigaction action {};
            sigaction(signal, nullptr, &action);
            bool right = action.sa_handler == CrashSignalHandler &&
                         (action.sa_flags & SA_RESTART) != 0 &&
                         sigismember(&action.sa_mask, SIGINT) == 1 &&
                         sigismember(&action.sa_mask, SIGTERM) == 1 &&
                         sigismember(&action.sa_mask, SIGCHLD) == 1;
            WriteText(fd, std::to_string(signal) + (right ? " crash handler\n" : " other\n"));
        }
    });
    EXPECT_TRUE(outcome.ExitedWith(0));
    EXPECT_EQ(outcome.output, std::to_string(SIGQUIT) + " crash handler\n" +
                                  std::to_string(SIGILL) + " crash handler\n" +
                                  std::to_string(SIGFPE) + " crash handler\n" +
                                  std::to_string(SIGSEGV) + " crash handler\n");
}

TEST(SignalDispositions, FatalSignalIsReportedAndEndsTheProcess) {
    ChildOutcome outcome = RunInChild([](int fd) {
        dup2(fd, STDERR_FILENO);
        InstallSignalDispositions({.reapChildren = false});
        raise(SIGILL);
    });
    EXPECT_TRUE(outcome.EndedBySignal(SIGILL)) << "status " << outcome.status;
    EXPECT_NE(outcome.output.find("\"SIGNAL" + std::to_string(SIGILL) + "\" exception code."),
              std::string::npos)
        << outcome.output;
}

TEST(SignalDispositions, WritingToAClosedPipeFailsInsteadOfEndingTheProcess) {
    ChildOutcome outcome = RunInChild([](int fd) {
        signal(SIGPIPE, SIG_DFL);
        InstallSignalDispositions({.reapChildren = false});
        int ends[2];
        if (pipe(ends) != 0) {
            return;
        }
        close(ends[0]);
        bool failed = write(ends[1], "x", 1) < 0 && errno == EPIPE;
        WriteText(fd, failed ? "EPIPE\n" : "wrote\n");
    });
    EXPECT_TRUE(outcome.ExitedWith(0)) << "status " << outcome.status;
    EXPECT_EQ(outcome.output, "EPIPE\n");
}

TEST(SignalDispositions, FinishedChildrenAreReaped) {
    ChildOutcome outcome = RunInChild([](int fd) {
        InstallSignalDispositions();
        pid_t child = StartChildThatExits(0);
        WriteText(fd, WaitForState(child, ' ') ? "reaped\n" : "left behind\n");
    });
    EXPECT_TRUE(outcome.ExitedWith(0));
    EXPECT_EQ(outcome.output, "reaped\n");
}

TEST(SignalDispositions, WithoutTheReaperAWaiterGetsItsChildsExitStatus) {
    ChildOutcome outcome = RunInChild([](int fd) {
        InstallSignalDispositions({.reapChildren = false});
        pid_t child = StartChildThatExits(7);
        WaitForState(child, 'Z');
        int status = 0;
        bool got = waitpid(child, &status, 0) == child && WIFEXITED(status);
        WriteText(fd, got ? "status " + std::to_string(WEXITSTATUS(status)) + "\n" : "lost\n");
    });
    EXPECT_TRUE(outcome.ExitedWith(0));
    EXPECT_EQ(outcome.output, "status 7\n");
}

TEST(SignalDispositions, ReaperCollectsEveryFinishedChildAndKeepsErrno) {
    ChildOutcome outcome = RunInChild([](int fd) {
        pid_t first = StartChildThatExits(0);
        pid_t second = StartChildThatExits(1);
        if (!WaitForState(first, 'Z') || !WaitForState(second, 'Z')) {
            WriteText(fd, "children did not finish\n");
            return;
        }
        errno = EDOM;
        ReapFinishedChildren(SIGCHLD);
        bool kept = errno == EDOM;
        bool gone = ProcessState(first) == ' ' && ProcessState(second) == ' ';
        WriteText(fd, std::string(gone ? "gone" : "left") + (kept ? ", errno kept\n" : "\n"));
    });
    EXPECT_TRUE(outcome.ExitedWith(0));
    EXPECT_EQ(outcome.output, "gone, errno kept\n");
}

}  // namespace
