#include "frame/crash_handler.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>
#include <regex>
#include <string>
#include <thread>

#include "frame/forked_child.h"
#include "frame/signals.h"
#include "process/ui_services.h"

namespace {

constexpr char kExpectedQuestion[] =
    "Brindle FTP has crashed with an abnormal exception.\r\n\r\nWould you be willing to complete "
    "a Velmor Software Bug Report so our programmers can try to fix this? If so, please click "
    "Yes and then enter the field to tell us exactly what you were doing and that you received "
    "a \"SIGNAL11\" exception code.";

// Alerts and opened pages go to a descriptor the test reads: "alert|headline|text|buttons" and
// "open|address", each record ended by '\n' (the question's own line breaks are \r\n).
class PipeUi final : public UserInterfaceServices {
public:
    PipeUi(int fd, int answer) : fd_(fd), answer_(answer) {}

    void RunAlert(LAlertParams& params) override {
        WriteText(fd_, "alert|" + params.headline + "|" + params.text + "|" + params.button1 + "/" +
                           params.button2 + "/" + params.button3 + "\n");
        if (duringQuestion) {
            duringQuestion();
        }
        params.result = static_cast<std::uint16_t>(answer_);
    }
    bool AskLogin(LWindow, LoginPromptRequest&) override { return false; }
    void SetBusy(bool) override {}
    bool OpenWithDefaultApplication(const std::string& path) override {
        WriteText(fd_, "open|" + path + "\n");
        return true;
    }
    bool ChooseFolder(LWindow, const std::string&, const std::string&, std::string&) override {
        return false;
    }

    void (*duringQuestion)() = nullptr;

private:
    int fd_;
    int answer_;
};

int CountOf(const std::string& text, const std::string& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos;
         at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

TEST(CrashHandler, NamesTheSignalInTheExceptionCodeAndTheQuestion) {
    EXPECT_EQ(CrashExceptionCode(11), "SIGNAL11");
    EXPECT_EQ(CrashExceptionCode(3), "SIGNAL3");
    EXPECT_EQ(CrashQuestionText(11), kExpectedQuestion);
}

TEST(CrashHandler, ReportAddressNamesSignalThreadAndKernelVersion) {
    utsname system{};
    ASSERT_EQ(uname(&system), 0);
    int major = 0;
    int minor = 0;
    ASSERT_EQ(std::sscanf(system.release, "%d.%d", &major, &minor), 2);
    char platform[32];
    std::snprintf(platform, sizeof platform, "Linux%d%02d", major, minor);

    EXPECT_EQ(CrashReportAddress(8),
              std::string(kCrashReportPage) + "?software=BrindleFTP&version=2.13&xi=8-GUI-" +
                  std::to_string(gettid()) + "UnknownCommand-" + platform + "UnknownModule");
    std::string fromOtherThread;
    std::thread other([&] { fromOtherThread = CrashReportAddress(8); });
    other.join();
    EXPECT_NE(fromOtherThread, CrashReportAddress(8)) << "the thread that crashed is named";
}

TEST(CrashHandler, AsksOnceThenEndsTheProcessWithTheSignal) {
    ChildOutcome outcome = RunInChild([](int fd) {
        static PipeUi ui(fd, 2);
        SetCrashReportServices(&ui);
        signal(SIGSEGV, CrashSignalHandler);
        raise(SIGSEGV);
        WriteText(fd, "survived\n");
    });
    EXPECT_TRUE(outcome.EndedBySignal(SIGSEGV)) << "status " << outcome.status;
    EXPECT_EQ(outcome.output,
              std::string("alert|Abnormal Signal Crash|") + kExpectedQuestion + "|Yes/No/\n");
}

TEST(CrashHandler, YesOpensTheReportPage) {
    ChildOutcome outcome = RunInChild([](int fd) {
        static PipeUi ui(fd, 1);
        SetCrashReportServices(&ui);
        signal(SIGFPE, CrashSignalHandler);
        raise(SIGFPE);
    });
    EXPECT_TRUE(outcome.EndedBySignal(SIGFPE)) << "status " << outcome.status;
    EXPECT_EQ(CountOf(outcome.output, "alert|"), 1);
    std::smatch page;
    ASSERT_TRUE(std::regex_search(outcome.output, page, std::regex("open\\|([^\\n]*)\\n")))
        << outcome.output;
    EXPECT_TRUE(std::regex_match(
        page[1].str(),
        std::regex("https://www\\.velmorsoftware\\.example/bugreport\\?software=BrindleFTP&"
                   "version=2\\.13&xi=" +
                   std::to_string(SIGFPE) +
                   "-GUI-[0-9]+UnknownCommand-Linux[0-9]+[0-9][0-9]UnknownModule")))
        << page[1];
}

TEST(CrashHandler, WithoutWindowsWritesQuestionAndAddressToStandardErrorAndAnswersNo) {
    ChildOutcome outcome = RunInChild([](int fd) {
        dup2(fd, STDERR_FILENO);
        SetCrashReportServices(nullptr);
        signal(SIGQUIT, CrashSignalHandler);
        raise(SIGQUIT);
    });
    EXPECT_TRUE(outcome.EndedBySignal(SIGQUIT)) << "status " << outcome.status;
    std::string question = kExpectedQuestion;
    question.replace(question.find("SIGNAL11"), 8, "SIGNAL" + std::to_string(SIGQUIT));
    EXPECT_NE(outcome.output.find("Abnormal Signal Crash\n" + question + "\n"), std::string::npos)
        << outcome.output;
    EXPECT_NE(outcome.output.find(
                  "Bug report: " + std::string(kCrashReportPage) +
                  "?software=BrindleFTP&version=2.13&xi=" + std::to_string(SIGQUIT) + "-GUI-"),
              std::string::npos)
        << outcome.output;
}

TEST(CrashHandler, ReportsOnlyTheFirstCrashOfTheProcess) {
    ChildOutcome outcome = RunInChild([](int fd) {
        static PipeUi ui(fd, 2);
        SetCrashReportServices(&ui);
        bool first = ReportCrashOnce(SIGSEGV);
        bool second = ReportCrashOnce(SIGFPE);
        WriteText(fd, std::string("first ") + (first ? "asked" : "silent") + ", second " +
                          (second ? "asked" : "silent") + "\n");
    });
    EXPECT_TRUE(outcome.ExitedWith(0));
    EXPECT_EQ(CountOf(outcome.output, "alert|"), 1);
    EXPECT_NE(outcome.output.find("SIGNAL" + std::to_string(SIGSEGV)), std::string::npos);
    EXPECT_NE(outcome.output.find("first asked, second silent\n"), std::string::npos);
}

// While the question of a crash is up, another thread faults: that shows nothing, and the
// process still ends with the first signal.
TEST(CrashHandler, SecondFatalSignalShowsNothing) {
    ChildOutcome outcome = RunInChild([](int fd) {
        static int secondFd = fd;
        static PipeUi ui(fd, 2);
        ui.duringQuestion = [] {
            // A thread made now would inherit the handler's blocked signals; this one unblocks.
            std::thread other([] {
                sigset_t all;
                sigfillset(&all);
                pthread_sigmask(SIG_UNBLOCK, &all, nullptr);
                raise(SIGFPE);
                WriteText(secondFd, "second handled\n");
            });
            other.join();
        };
        SetCrashReportServices(&ui);
        InstallSignalDispositions({.reapChildren = false});
        raise(SIGSEGV);
    });
    EXPECT_TRUE(outcome.EndedBySignal(SIGSEGV)) << "status " << outcome.status;
    EXPECT_EQ(CountOf(outcome.output, "alert|"), 1) << outcome.output;
    EXPECT_NE(outcome.output.find("second handled\n"), std::string::npos) << outcome.output;
}

}  // namespace
