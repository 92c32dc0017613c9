// The crash question: the box itself, the helper program that asks it, and a crashing process
// that starts the helper and still ends by its signal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "frame/crash_handler.h"
#include "support/case_table.h"
#include "support/temp_folder.h"
#include "ui/dialogs/crash_question.h"

namespace {

// Waits for a child's end; one that outlives the guard is a hang, killed and reported.
int WaitGuarded(pid_t pid) {
    // Debian 12's <sys/pidfd.h> cannot be used from C++ (its declarations lack C linkage).
    const int handle = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    pollfd ended{handle, POLLIN, 0};
    if (handle < 0 || poll(&ended, 1, 30'000) != 1) {
        ADD_FAILURE() << "child " << pid << " did not end";
        kill(pid, SIGKILL);
    }
    if (handle >= 0) {
        close(handle);
    }
    int status = 0;
    EXPECT_EQ(waitpid(pid, &status, 0), pid);
    return status;
}

QString WithoutAmpersand(QString text) {
    return text.remove(QLatin1Char('&'));
}

struct BoxCase {
    const char* name;
    int key;
    bool yes;
};

TEST(CrashQuestion, AsksWithTheTitleTextAndButtonsAndReturnAnswersYes) {
    QString question = QString::fromStdString(LoadCases("frame/crash.tsv")[0].fields[1]);
    question.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const BoxCase cases[] = {
        {"Return presses Yes", Qt::Key_Return, true},
        {"Escape presses No", Qt::Key_Escape, false},
    };
    for (const BoxCase& row : cases) {
        QString seen;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr) << row.name;
            seen = box->windowTitle() + "|" + box->text() + "|" +
                   WithoutAmpersand(box->button(QMessageBox::Yes)->text()) + "/" +
                   WithoutAmpersand(box->button(QMessageBox::No)->text());
            QTest::keyClick(box, static_cast<Qt::Key>(row.key));
        });
        EXPECT_EQ(AskCrashQuestion(SIGSEGV), row.yes) << row.name;
        EXPECT_EQ(seen, "Abnormal Signal Crash|" + question + "|Yes/No") << row.name;
    }
}

// Runs body in a child with no core file and its standard error in stderrPath; how it ended.
int RunInChild(const std::string& stderrPath, const std::function<void()>& body) {
    const pid_t child = fork();
    if (child == 0) {
        dup2(open(stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
        const rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        body();
        _exit(0);
    }
    return WaitGuarded(child);
}

struct HelperCase {
    const char* name;
    const char* argument;  // the signal's name, or none
    std::vector<std::string> environment;
    int status;
    std::string record;       // what a scripted run wrote
    std::string errorOutput;  // a part of what it wrote to standard error
};

TEST(CrashQuestionProgram, AnswersAsScriptedOrNoAtOnceWithoutADisplay) {
    const std::string page = CrashReportPagePath();
    ASSERT_NE(page, "") << "the help folder has no page on reporting";
    TempFolder temp;
    const std::string record = "BRINDLE_CRASH_RECORD=" + temp.File("record");
    const HelperCase cases[] = {
        {"scripted Yes names the reporting page",
         "SIGSEGV",
         {"BRINDLE_CRASH_ANSWER=yes", record},
         kCrashAnswerYes,
         "SIGSEGV yes " + page + "\n",
         ""},
        {"scripted No",
         "SIGILL",
         {"BRINDLE_CRASH_ANSWER=no", record},
         kCrashAnswerNo,
         "SIGILL no\n",
         ""},
        {"no display says where to report", "SIGFPE", {}, kCrashAnswerNo, "", page},
        {"Qt's offscreen platform is no display",
         "SIGSEGV",
         {"QT_QPA_PLATFORM=offscreen", "DISPLAY=:0"},
         kCrashAnswerNo,
         "",
         "\"SIGNAL11\""},
        {"an unknown signal name",
         "SIGTERM",
         {"BRINDLE_CRASH_ANSWER=yes", record},
         kCrashQuestionMisused,
         "",
         "Usage"},
        {"no signal name", nullptr, {}, kCrashQuestionMisused, "", "Usage"},
    };
    for (const HelperCase& row : cases) {
        std::remove(temp.File("record").c_str());
        const int status = RunInChild(temp.File("stderr"), [&row] {
            clearenv();
            std::vector<std::string> environment = row.environment;
            for (std::string& variable : environment) {
                putenv(variable.data());
            }
            execl(BRINDLE_CRASH_QUESTION_PATH, BRINDLE_CRASH_QUESTION_PATH, row.argument, nullptr);
        });
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == row.status) << row.name;
        EXPECT_EQ(ReadWholeFile(temp.File("record")), row.record) << row.name;
        EXPECT_NE(ReadWholeFile(temp.File("stderr")).find(row.errorOutput), std::string::npos)
            << row.name;
    }
}

struct CrashCase {
    const char* name;
    int signal;
    const char* answer;
    std::string helper;
    int askedBefore;     // a signal already asked about in this process, or 0
    std::string record;  // what the helper was asked and answered
    bool endsBySignal = true;
};

TEST(CrashHandler, AFatalSignalIsAskedAboutOnceByTheHelperThenEndsTheProcess) {
    const std::string page = CrashReportPagePath();
    const std::string helper = BRINDLE_CRASH_QUESTION_PATH;
    const CrashCase cases[] = {
        {"SIGQUIT answered No", SIGQUIT, "no", helper, 0, "SIGQUIT no\n"},
        {"SIGILL answered Yes", SIGILL, "yes", helper, 0, "SIGILL yes " + page + "\n"},
        {"SIGFPE answered No", SIGFPE, "no", helper, 0, "SIGFPE no\n"},
        {"SIGSEGV answered Yes", SIGSEGV, "yes", helper, 0, "SIGSEGV yes " + page + "\n"},
        // Only a crash on another thread meets the handler a second time; it shows nothing and
        // lets the first one end the process.
        {"a second crash is not asked about", SIGSEGV, "no", helper, SIGILL, "SIGILL no\n", false},
        {"no helper: ends at once", SIGSEGV, "no", "/nonexistent/brindleftp-crash-question", 0, ""},
    };
    for (const CrashCase& row : cases) {
        TempFolder temp;
        const int status = RunInChild(temp.File("stderr"), [&row, &temp] {
            setenv(kCrashAnswerVariable, row.answer, 1);
            setenv(kCrashRecordVariable, temp.File("record").c_str(), 1);
            InstallCrashHandler(row.helper);
            if (row.askedBefore != 0) {
                AskCrashQuestionOnce(row.askedBefore);
            }
            raise(row.signal);
        });
        EXPECT_TRUE(row.endsBySignal ? WIFSIGNALED(status) && WTERMSIG(status) == row.signal
                                     : WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << row.name;
        EXPECT_EQ(ReadWholeFile(temp.File("record")), row.record) << row.name;
    }
}

}  // namespace
