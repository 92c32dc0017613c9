#include "cli/interrupt.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>

namespace {

// Touched by the signal handler: lock-free atomics only.
std::atomic<int> interruptibleDepth{0};
std::atomic<bool> stopFlag{false};
std::atomic<int> restoreFd{-1};
termios restoreSettings{};

static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free);

void OnInterrupt(int) {
    if (interruptibleDepth.load() > 0) {
        stopFlag.store(true);
        return;
    }
    int fd = restoreFd.load();
    if (fd >= 0) {
        tcsetattr(fd, TCSANOW, &restoreSettings);
    }
    _exit(1);
}

}  // namespace

bool InstallInterruptHandler() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a blocked read or select returns with EINTR
    return sigaction(SIGINT, &action, nullptr) == 0;
}

bool StopRequested() {
    return interruptibleDepth.load() > 0 && stopFlag.load();
}

void RequestStop() {
    stopFlag.store(true);
}

InterruptibleScope::InterruptibleScope() {
    if (interruptibleDepth.load() == 0) {
        stopFlag.store(false);
    }
    interruptibleDepth.fetch_add(1);
}

InterruptibleScope::~InterruptibleScope() {
    interruptibleDepth.fetch_sub(1);
}

TerminalRestoreScope::TerminalRestoreScope(int fd, const termios& settings) {
    restoreFd.store(-1);
    restoreSettings = settings;
    restoreFd.store(fd);
}

TerminalRestoreScope::~TerminalRestoreScope() {
    restoreFd.store(-1);
}
