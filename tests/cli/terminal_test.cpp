// The terminal front end: answers to questions, the password prompt, waits and Ctrl+C.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "cli/cli_exit.h"
#include "cli/interrupt.h"
#include "cli/terminal_output.h"
#include "cli/terminal_process_interface.h"
#include "cli/terminal_process_launcher.h"
#include "cli/terminal_ui_services.h"

namespace {

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// stdin from /dev/null for the life of the object: the program has no terminal to ask on.
class NoTerminal {
public:
    NoTerminal() : saved_(dup(STDIN_FILENO)) {
        int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
        dup2(null, STDIN_FILENO);
        close(null);
    }
    ~NoTerminal() {
        dup2(saved_, STDIN_FILENO);
        close(saved_);
    }

private:
    int saved_;
};

struct QuestionCase {
    const char* name;
    std::function<int(UserInterfaceServices&)> ask;
    int yes;  // the answer with --yes
    int no;   // the answer with --no, and without a terminal
};

const QuestionCase kQuestions[] = {
    {"YesNoBox", [](UserInterfaceServices& ui) { return ui.YesNoBox("t", "h") ? 1 : 2; }, 1, 2},
    {"OkCancelBox",
     [](UserInterfaceServices& ui) { return ui.OkCancelBox(nullptr, "t", "h") ? 1 : 2; }, 1, 2},
    {"YesNoCancelBox",
     [](UserInterfaceServices& ui) { return ui.YesNoCancelBox(nullptr, "t", "h"); }, 1, 3},
    {"AskBox",
     [](UserInterfaceServices& ui) {
         return ui.AskBox(nullptr, "t", "h", "Replace", "Skip") ? 1 : 2;
     },
     1, 2},
    {"Cancel before Yes",
     [](UserInterfaceServices& ui) {
         LAlertParams params;
         params.button1 = "Cancel";
         params.button2 = "Yes";
         ui.RunAlert(params);
         return static_cast<int>(params.result);
     },
     2, 1},
};

TEST(TerminalUiServices, YesAndNoOptionsAnswerEveryQuestion) {
    for (const QuestionCase& c : kQuestions) {
        TerminalUiServices yes(CliAnswer::kYes);
        TerminalUiServices no(CliAnswer::kNo);
        testing::internal::CaptureStderr();
        EXPECT_EQ(c.ask(yes), c.yes) << c.name;
        EXPECT_EQ(c.ask(no), c.no) << c.name;
        testing::internal::GetCapturedStderr();
    }
}

TEST(TerminalUiServices, WithoutATerminalTheAnswerIsNo) {
    NoTerminal noTerminal;
    for (const QuestionCase& c : kQuestions) {
        TerminalUiServices ui(CliAnswer::kAsk);
        testing::internal::CaptureStderr();
        EXPECT_EQ(c.ask(ui), c.no) << c.name;
        testing::internal::GetCapturedStderr();
    }
}

TEST(TerminalUiServices, AnsweredQuestionIsShownOnOneLineWithItsAnswer) {
    TerminalUiServices ui(CliAnswer::kNo);
    testing::internal::CaptureStderr();
    ui.YesNoCancelBox(nullptr, "A newer file exists.", "Replace \"a.txt\"?");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Replace \"a.txt\"? A newer file exists. -> No\n");
}

TEST(TerminalUiServices, AlertWithOneButtonIsPrintedAsOneLineAndAnsweredOk) {
    struct Case {
        std::string text;
        std::string headline;
        std::string line;
    };
    const Case cases[] = {
        {"Unable to log onto server.", "Error", "Error: Unable to log onto server.\n"},
        {"details", "", "details\n"},
        {"", "Done.", "Done.\n"},
        {"second\nline", "Failed.", "Failed. second line\n"},
    };
    for (const Case& c : cases) {
        TerminalUiServices ui(CliAnswer::kAsk);
        LAlertParams params;
        params.text = c.text;
        params.headline = c.headline;
        params.result = 3;
        testing::internal::CaptureStderr();
        ui.RunAlert(params);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.line);
        EXPECT_EQ(params.result, 1);
    }
}

TEST(TerminalUiServices, WithoutATerminalLoginKeepsTheRequestAndChooseFolderFails) {
    NoTerminal noTerminal;
    TerminalUiServices ui(CliAnswer::kAsk);
    LoginPromptRequest request{"host", "bob", "", false};
    EXPECT_TRUE(ui.AskLogin(nullptr, request));
    EXPECT_EQ(request.password, "");
    std::string chosen = "unchanged";
    EXPECT_FALSE(ui.ChooseFolder(nullptr, "Choose", "/tmp", chosen));
    EXPECT_EQ(chosen, "unchanged");
}

// --- questions on a real terminal -----------------------------------------------------------

// A child process whose controlling terminal is a pseudo-terminal the test types into.
class PtyChild {
public:
    explicit PtyChild(const std::function<int()>& body) {
        pid_ = forkpty(&master_, nullptr, nullptr, nullptr);
        if (pid_ == 0) {
            _exit(body());
        }
    }
    ~PtyChild() {
        if (pid_ > 0 && status_ < 0) {
            kill(pid_, SIGKILL);
            Wait();
        }
        if (master_ >= 0) {
            close(master_);
        }
    }

    bool Started() const { return pid_ > 0; }

    // Reads what the child shows until `expected` has appeared (false after 10 s).
    bool WaitFor(const std::string& expected) {
        Clock::time_point start = Clock::now();
        while (shown_.find(expected, searchFrom_) == std::string::npos) {
            if (MillisecondsSince(start) > 10000) {
                return false;
            }
            ReadSome(100);
        }
        searchFrom_ = shown_.find(expected, searchFrom_) + expected.size();
        return true;
    }

    void Type(const std::string& text) {
        [[maybe_unused]] ssize_t written = write(master_, text.data(), text.size());
    }

    // Waits for the child and returns its exit status (-1 when it did not exit normally).
    int Wait() {
        // Keep reading so the child never blocks on a full terminal.
        while (waitpid(pid_, &status_, WNOHANG) == 0) {
            ReadSome(50);
        }
        while (ReadSome(0)) {
        }
        return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
    }

    // Settings of the terminal (shared by both ends).
    termios Settings() const {
        termios settings{};
        tcgetattr(master_, &settings);
        return settings;
    }

    const std::string& Shown() const { return shown_; }

private:
    bool ReadSome(int timeoutMs) {
        pollfd fd{master_, POLLIN, 0};
        if (poll(&fd, 1, timeoutMs) <= 0) {
            return false;
        }
        char buffer[256];
        ssize_t n = read(master_, buffer, sizeof buffer);
        if (n <= 0) {
            return false;
        }
        shown_.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    pid_t pid_ = -1;
    int master_ = -1;
    int status_ = -1;
    std::string shown_;
    std::size_t searchFrom_ = 0;
};

TEST(TerminalUiServices, AsksQuestionsOnTheTerminal) {
    struct Case {
        const char* typed;
        int button;
    };
    const Case cases[] = {
        {"\n", 1},            // the default
        {"no\n", 3},          // a button's text
        {"C\n", 2},           // the start of one button's text, any case
        {"2\n", 2},           // a button's number
        {"maybe\nYES\n", 1},  // asked again until the answer means a button
        {"\x04", 3},          // end of input: as --no
    };
    for (const Case& c : cases) {
        PtyChild child([] {
            TerminalUiServices ui(CliAnswer::kAsk);
            return ui.YesNoCancelBox(nullptr, "A newer file exists.", "Replace?");
        });
        ASSERT_TRUE(child.Started());
        ASSERT_TRUE(child.WaitFor("Replace? A newer file exists.")) << child.Shown();
        ASSERT_TRUE(child.WaitFor("Yes/Cancel/No [Yes]: ")) << child.Shown();
        child.Type(c.typed);
        EXPECT_EQ(child.Wait(), c.button) << c.typed << child.Shown();
    }
}

TEST(TerminalUiServices, CautionWithTwoButtonsDefaultsToTheSecond) {
    PtyChild child([] {
        TerminalUiServices ui(CliAnswer::kAsk);
        LAlertParams params;
        params.kind = kAlertCaution;
        params.headline = "Delete?";
        params.button1 = "Delete";
        params.button2 = "Keep";
        ui.RunAlert(params);
        return static_cast<int>(params.result);
    });
    ASSERT_TRUE(child.WaitFor("Delete/Keep [Keep]: ")) << child.Shown();
    child.Type("\n");
    EXPECT_EQ(child.Wait(), 2);
}

TEST(TerminalUiServices, AsksThePasswordWithoutEcho) {
    PtyChild child([] {
        TerminalUiServices ui(CliAnswer::kAsk);
        LoginPromptRequest request{"ftp.example.com", "bob", "", false};
        if (!ui.AskLogin(nullptr, request)) {
            return 10;
        }
        return request.password == "s3cret" ? 0 : 11;
    });
    ASSERT_TRUE(child.WaitFor("Password for bob@ftp.example.com: ")) << child.Shown();
    child.Type("s3cret\n");
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(child.Shown().find("s3cret"), std::string::npos) << child.Shown();
    EXPECT_NE(child.Settings().c_lflag & ECHO, 0u) << "echo is back on";
}

TEST(TerminalUiServices, CtrlCAtThePasswordPromptEndsWithStatusOneAndEchoOn) {
    PtyChild child([] {
        InstallInterruptHandler();
        TerminalUiServices ui(CliAnswer::kAsk);
        LoginPromptRequest request{"h", "u", "", false};
        ui.AskLogin(nullptr, request);
        return 0;
    });
    ASSERT_TRUE(child.WaitFor("Password for u@h: ")) << child.Shown();
    child.Type("\x03");
    EXPECT_EQ(child.Wait(), 1);
    EXPECT_NE(child.Settings().c_lflag & ECHO, 0u);
}

// --- the progress line ------------------------------------------------------------------------

// Runs a small process under the launcher in a child whose stderr is a terminal.
int RunProcessShowingProgress(bool quiet) {
    ManualEventQueue queue;
    TerminalProcessLauncher launcher(&queue, ProgressWanted(quiet));
    LProcessResult result =
        launcher.Run(nullptr, "Downloading file list", [](LProcessInterface& ui) {
            ui.SetStatusText("Downloading file 1 of 2", 0);
            ui.SetStatusText("a.txt: 50%", 1);
            ui.SetProgress(0.999);
            ui.ReportError("Unable to open local file.");
            ui.SetStatusText("Downloading file 2 of 2", 7);  // any other line is the first
            return LPROCESS_OK;
        });
    PrintMessageLine("after the run");
    return result;
}

TEST(TerminalProcessLauncher, DrawsStatusAndProgressInPlaceOnATerminal) {
    PtyChild child([] { return RunProcessShowingProgress(false); });
    EXPECT_EQ(child.Wait(), 0);
    const std::string& shown = child.Shown();
    EXPECT_NE(
        shown.find("\r\033[K[###################-]  99%  Downloading file 1 of 2  a.txt: 50%"),
        std::string::npos)
        << shown;
    EXPECT_NE(shown.find("\r\033[KUnable to open local file.\r\n"), std::string::npos) << shown;
    EXPECT_NE(
        shown.find("\r\033[K[###################-]  99%  Downloading file 2 of 2  a.txt: 50%"),
        std::string::npos)
        << shown;
    EXPECT_NE(shown.find("50%\r\033[Kafter the run\r\n"), std::string::npos)
        << "the progress line is cleared when the run ends: " << shown;
}

TEST(TerminalProcessLauncher, QuietShowsOnlyErrors) {
    PtyChild child([] { return RunProcessShowingProgress(true); });
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(child.Shown(), "Unable to open local file.\r\nafter the run\r\n");
}

// --- waits and Ctrl+C -------------------------------------------------------------------------

TEST(TerminalProcessInterface, WaitForEventOnASignalledEventIsOk) {
    LEventOwner event;
    event.get().Signal();
    TerminalProcessInterface terminal("t", nullptr, false);
    EXPECT_EQ(terminal.WaitForEvent(event.get(), 1000), LPROCESS_OK);
    EXPECT_EQ(terminal.WaitForEvent(event.get(), kWaitForever), LPROCESS_OK);
}

TEST(TerminalProcessInterface, WaitForEventWithTimeOutZeroFailsAtOnce) {
    LEventOwner event;
    event.get().Signal();
    TerminalProcessInterface terminal("t", nullptr, false);
    EXPECT_EQ(terminal.WaitForEvent(event.get(), 0), LPROCESS_FAILED);
}

TEST(TerminalProcessInterface, WaitForEventTimesOut) {
    LEventOwner event;
    TerminalProcessInterface terminal("t", nullptr, false);
    Clock::time_point start = Clock::now();
    EXPECT_EQ(terminal.WaitForEvent(event.get(), 300), LPROCESS_FAILED);
    EXPECT_GE(MillisecondsSince(start), 290);
    EXPECT_LT(MillisecondsSince(start), 5000);
}

TEST(TerminalProcessInterface, WaitForEventSeesASignalFromAnotherThread) {
    LEventOwner event;
    TerminalProcessInterface terminal("t", nullptr, false);
    std::thread signaller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        event.get().Signal();
    });
    EXPECT_EQ(terminal.WaitForEvent(event.get(), 10000), LPROCESS_OK);
    signaller.join();
}

TEST(TerminalProcessInterface, SleepWaitsTheTimeGiven) {
    TerminalProcessInterface terminal("t", nullptr, false);
    EXPECT_EQ(terminal.Sleep(0), LPROCESS_OK);
    Clock::time_point start = Clock::now();
    EXPECT_EQ(terminal.Sleep(450), LPROCESS_OK);
    EXPECT_GE(MillisecondsSince(start), 440);
}

TEST(TerminalProcessInterface, CtrlCDuringARunStopsItsWaits) {
    ASSERT_TRUE(InstallInterruptHandler());
    InterruptibleScope interruptible;
    TerminalProcessInterface terminal("t", nullptr, false);
    EXPECT_FALSE(terminal.IsStopped());

    raise(SIGINT);
    EXPECT_TRUE(terminal.IsStopped());
    Clock::time_point start = Clock::now();
    EXPECT_EQ(terminal.Sleep(5000), LPROCESS_STOPPED);
    EXPECT_EQ(terminal.Sleep(0), LPROCESS_STOPPED);
    LEventOwner event;
    EXPECT_EQ(terminal.WaitForEvent(event.get(), kWaitForever), LPROCESS_STOPPED);
    EXPECT_LT(MillisecondsSince(start), 1000);
}

TEST(TerminalProcessInterface, StopDuringASleepEndsItWithinASlice) {
    InterruptibleScope interruptible;
    TerminalProcessInterface terminal("t", nullptr, false);
    std::thread stopper([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        RequestStop();
    });
    Clock::time_point start = Clock::now();
    EXPECT_EQ(terminal.Sleep(5000), LPROCESS_STOPPED);
    long long elapsed = MillisecondsSince(start);
    stopper.join();
    EXPECT_GE(elapsed, 90);
    EXPECT_LT(elapsed, 1500) << "the stop is seen within one 200 ms slice";
}

TEST(TerminalProcessInterface, WaitForSocketReturnsOkWhenReadableAndStoppedOnStop) {
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    TerminalProcessInterface terminal("t", nullptr, false);

    LSocketSet idle;
    idle.Add(pair[0]);
    EXPECT_EQ(terminal.WaitForSocket(&idle, 0), LPROCESS_FAILED);
    EXPECT_EQ(terminal.WaitForSocket(&idle, 250), LPROCESS_FAILED);

    ASSERT_EQ(write(pair[1], "x", 1), 1);
    LSocketSet readable;
    readable.Add(pair[0]);
    EXPECT_EQ(terminal.WaitForSocket(&readable, 1000), LPROCESS_OK);
    EXPECT_TRUE(readable.Contains(pair[0]));

    {
        InterruptibleScope interruptible;
        RequestStop();
        LSocketSet set;
        set.Add(pair[0]);
        EXPECT_EQ(terminal.WaitForSocket(&set, kWaitForever), LPROCESS_STOPPED);
    }
    close(pair[0]);
    close(pair[1]);
}

TEST(TerminalProcessInterface, IsStoppedRunsQueuedNotifications) {
    ManualEventQueue queue;
    TerminalProcessInterface terminal("t", &queue, false);
    int ran = 0;
    queue.Post([&] { ++ran; });
    EXPECT_EQ(ran, 0);
    EXPECT_FALSE(terminal.IsStopped());
    EXPECT_EQ(ran, 1);
}

TEST(TerminalProcessInterface, ReportErrorPrintsOneLineEvenWhenQuiet) {
    TerminalProcessInterface terminal("t", nullptr, false);
    testing::internal::CaptureStderr();
    terminal.SetStatusText("not shown", 0);
    terminal.ReportError("Unable to connect to server.");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Unable to connect to server.\n");
}

TEST(Interrupt, OutsideARunCtrlCEndsTheProgramWithStatusOne) {
    EXPECT_EXIT(
        {
            InstallInterruptHandler();
            { InterruptibleScope finishedRun; }
            raise(SIGINT);
        },
        testing::ExitedWithCode(1), "");
}

TEST(Interrupt, TheStopFlagCountsOnlyInsideARun) {
    {
        InterruptibleScope run;
        RequestStop();
        EXPECT_TRUE(StopRequested());
        {
            InterruptibleScope nested;
            EXPECT_TRUE(StopRequested()) << "a nested scope keeps the run's stop";
        }
    }
    EXPECT_FALSE(StopRequested());
    InterruptibleScope next;
    EXPECT_FALSE(StopRequested()) << "each run starts without a stop";
}

TEST(TerminalProcessLauncher, RunsTheProcessWithCtrlCAsItsStop) {
    ManualEventQueue queue;
    TerminalProcessLauncher launcher(&queue, false);

    EXPECT_EQ(
        launcher.Run(nullptr, "FTP Connect", [](LProcessInterface& ui) { return ui.Sleep(10); }),
        LPROCESS_OK);

    EXPECT_EQ(launcher.Run(nullptr, "FTP Download",
                           [](LProcessInterface& ui) {
                               RequestStop();  // what Ctrl+C does during the run
                               return ui.IsStopped() ? LPROCESS_STOPPED : LPROCESS_OK;
                           }),
              LPROCESS_STOPPED);
    EXPECT_FALSE(StopRequested());

    EXPECT_EQ(launcher.Run(nullptr, "next",
                           [](LProcessInterface& ui) {
                               return ui.IsStopped() ? LPROCESS_STOPPED : LPROCESS_FAILED;
                           }),
              LPROCESS_FAILED)
        << "the next run starts without the stop";
}

TEST(ExitStatusForResult, MapsResultsToStatuses) {
    EXPECT_EQ(ExitStatusForResult(LPROCESS_OK), 0);
    EXPECT_EQ(ExitStatusForResult(LPROCESS_STOPPED), 1);
    EXPECT_EQ(ExitStatusForResult(LPROCESS_FAILED), 2);
    EXPECT_EQ(ExitStatusForResult(-5), 2);
}

}  // namespace
