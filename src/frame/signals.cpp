#include "frame/signals.h"

#include <signal.h>
#include <sys/wait.h>

#include <cerrno>

#include "frame/crash_handler.h"

namespace {

bool SetHandler(int signal, void (*handler)(int), int flags, bool blockEverything) {
    struct sigaction action {};
    action.sa_handler = handler;
    if (blockEverything) {
        sigfillset(&action.sa_mask);
    } else {
        sigemptyset(&action.sa_mask);
    }
    action.sa_flags = flags;
    return sigaction(signal, &action, nullptr) == 0;
}

}  // namespace

void ReapFinishedChildren(int) {
    int savedErrno = errno;
    while (waitpid(-1, nullptr, WNOHANG) > 0) {
    }
    errno = savedErrno;
}

bool InstallSignalDispositions(const SignalDispositionOptions& options) {
    bool installed = true;
    for (int signal : {SIGQUIT, SIGILL, SIGFPE, SIGSEGV}) {
        installed = SetHandler(signal, CrashSignalHandler, SA_RESTART, true) && installed;
    }
    installed = SetHandler(SIGPIPE, SIG_IGN, 0, false) && installed;
    if (options.reapChildren) {
        installed = SetHandler(SIGCHLD, ReapFinishedChildren, SA_RESTART | SA_NOCLDSTOP, false) &&
                    installed;
    }
    return installed;
}
