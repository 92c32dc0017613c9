#include "frame/crash_handler.h"

#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <utility>

extern char** environ;

namespace {

constexpr std::array<std::pair<int, std::string_view>, 4> kFatalSignals = {{
    {SIGQUIT, "SIGQUIT"},
    {SIGILL, "SIGILL"},
    {SIGFPE, "SIGFPE"},
    {SIGSEGV, "SIGSEGV"},
}};

constexpr time_t kQuestionWaitSeconds = 5 * 60;
constexpr long kPollNanoseconds = 50'000'000;

// Everything the handler needs is in place before a crash: nothing is allocated once it runs.
char helperPath[4096];
std::atomic<bool> helperReady{false};
std::atomic<bool> crashAsked{false};

static_assert(std::atomic<bool>::is_always_lock_free);

// A stack overflow leaves no stack for the handler, so the main thread gets a spare one.
alignas(16) char spareStack[64 * 1024];

std::string ExecutableFolder() {
    char target[4096];
    const ssize_t length = readlink("/proc/self/exe", target, sizeof target);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target) {
        return "";
    }
    std::string path(target, static_cast<std::size_t>(length));
    return path.substr(0, path.find_last_of('/'));
}

// In the forked child: the helper gets a clean signal state and none of the crashed process's
// connections and files.
[[noreturn]] void BecomeHelper(char* const argv[]) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    sigaction(SIGPIPE, &standard, nullptr);
    close_range(3, ~0U, 0);
    execve(argv[0], argv, environ);
    _exit(127);
}

time_t MonotonicSeconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec;
}

void WaitForHelper(pid_t helper) {
    const time_t deadline = MonotonicSeconds() + kQuestionWaitSeconds;
    while (MonotonicSeconds() < deadline) {
        const pid_t ended = waitpid(helper, nullptr, WNOHANG);
        // ECHILD: a reaper on another thread took it, so it has ended too.
        if (ended == helper || (ended < 0 && errno != EINTR)) {
            return;
        }
        const timespec pause{0, kPollNanoseconds};
        nanosleep(&pause, nullptr);
    }
}

void EndBySignal(int signal) {
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    sigaction(signal, &standard, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    raise(signal);
    _exit(128 + signal);
}

}  // namespace

std::string CrashExceptionCode(int signal) {
    return "SIGNAL" + std::to_string(signal);
}

std::string CrashQuestionText(int signal) {
    return "Brindle FTP has crashed with an abnormal exception.\r\n\r\nWould you be willing to "
           "complete a Velmor Software Bug Report so our programmers can try to fix this? If so, "
           "please click Yes and then enter the field to tell us exactly what you were doing and "
           "that you received a \"" +
           CrashExceptionCode(signal) + "\" exception code.";
}

std::string_view CrashSignalName(int signal) {
    for (const auto& [number, name] : kFatalSignals) {
        if (number == signal) {
            return name;
        }
    }
    return "";
}

int CrashSignalFromName(std::string_view name) {
    for (const auto& [number, known] : kFatalSignals) {
        if (known == name) {
            return number;
        }
    }
    return 0;
}

std::string CrashQuestionProgramPath() {
    const std::string folder = ExecutableFolder();
    return folder.empty() ? "" : folder + "/" + kCrashQuestionProgram;
}

bool InstallCrashHandler() {
    return InstallCrashHandler(CrashQuestionProgramPath());
}

bool InstallCrashHandler(const std::string& path) {
    const bool found =
        !path.empty() && path.size() < sizeof helperPath && access(path.c_str(), X_OK) == 0;
    if (found) {
        std::memcpy(helperPath, path.c_str(), path.size() + 1);
    }
    helperReady.store(found);

    stack_t spare{};
    spare.ss_sp = spareStack;
    spare.ss_size = sizeof spareStack;
    const bool spareSet = sigaltstack(&spare, nullptr) == 0;
    bool installed = true;
    for (const auto& [signal, name] : kFatalSignals) {
        struct sigaction action {};
        action.sa_handler = CrashSignalHandler;
        sigfillset(&action.sa_mask);
        action.sa_flags = SA_RESTART | (spareSet ? SA_ONSTACK : 0);
        installed = sigaction(signal, &action, nullptr) == 0 && installed;
    }
    return found && installed;
}

bool AskCrashQuestionOnce(int signal) {
    if (crashAsked.exchange(true)) {
        return false;
    }
    const std::string_view name = CrashSignalName(signal);
    if (!helperReady.load() || name.empty()) {
        return true;
    }
    // The names are literals, so data() ends with the terminating NUL.
    char* const argv[] = {helperPath, const_cast<char*>(name.data()), nullptr};
    // _Fork runs no fork handlers, which may take locks the crash left held.
    const pid_t helper = _Fork();
    if (helper == 0) {
        BecomeHelper(argv);
    }
    if (helper > 0) {
        WaitForHelper(helper);
    }
    return true;
}

void CrashSignalHandler(int signal) {
    if (!AskCrashQuestionOnce(signal)) {
        return;
    }
    EndBySignal(signal);
}
