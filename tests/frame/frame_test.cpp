// The frame: text functions (tests/data/frame), the logger and its pane, files and folders, the
// install step, and in child processes the crash handler and the signal dispositions.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <thread>

#include "frame/control_escape.h"
#include "frame/file_helpers.h"
#include "frame/folder_iterator.h"
#include "frame/install_step.h"
#include "frame/latin1.h"
#include "frame/logger.h"
#include "frame/number_text.h"
#include "frame/path_names.h"
#include "frame/paths.h"
#include "frame/signals.h"
#include "frame/status_window.h"
#include "frame/utf8.h"
#include "process/queued_notify.h"
#include "support/case_table.h"
#include "support/temp_folder.h"

namespace {

using Args = std::vector<std::string>;
using std::to_string;

// The names a walk gives, sorted, folders with a '/'.
template <typename Walk>
std::string Walked(const std::string& path) {
    std::set<std::string> names;
    for (Walk walk(path); walk.Next();) {
        names.insert(walk.Name() + (walk.IsDots() ? " (dots)" : walk.IsFolder() ? "/" : ""));
    }
    std::string out;
    for (const std::string& name : names) {
        out += name + ",";
    }
    return out;
}

// The permission bits of the item itself in octal; "none" when there is nothing.
std::string Mode(const std::string& path) {
    struct stat info {};
    char mode[16] = "none";
    if (lstat(path.c_str(), &info) == 0) {
        std::snprintf(mode, sizeof mode, "%o", info.st_mode & 07777);
    }
    return mode;
}

const Steps kSteps = {
    {"PathFileName", [](const Args& a) { return PathFileName(a[0]); }},
    {"ParentPath", [](const Args& a) { return ParentPath(a[0]); }},
    {"PathJoin", [](const Args& a) { return PathJoin(a[0], a[1]); }},
    {"FileTitle", [](const Args& a) { return FileTitle(a[0]); }},
    {"FormatFileSize", [](const Args& a) { return FormatFileSize(std::stoull(a[0])); }},
    {"ParseInt64", [](const Args& a) { return to_string(ParseInt64(a[0])); }},
    {"ParseInt64N", [](const Args& a) { return to_string(ParseInt64N(a[0], std::stoul(a[1]))); }},
    {"AtoiN", [](const Args& a) { return to_string(AtoiN(a[0], std::stoul(a[1]))); }},
    {"Latin1ToUtf8", [](const Args& a) { return Latin1ToUtf8(a[0]); }},
    {"IsValidUtf8", [](const Args& a) { return Text(IsValidUtf8(a[0])); }},
    {"WithoutCutCharacter", [](const Args& a) { return std::string(WithoutCutCharacter(a[0])); }},
    {"EscapeControlCharacters",  // text, "keep" to keep CR LF pairs
     [](const Args& a) { return EscapeControlCharacters(a[0], a.size() > 1 && a[1] == "keep"); }},
    {"log",  // folder, umask, text: the modes of the folder and the file, then the text's line
     [](const Args& a) {
         const mode_t mask = umask(static_cast<mode_t>(std::stoul(a[1], nullptr, 8)));
         LLogger logger(a[0]);
         logger.Log(kLogInfo, "first");
         const std::string path = logger.CurrentFilePath();
         chmod(path.c_str(), 0644);  // as an earlier version left it
         logger.Log(kLogInfo, a[2]);
         umask(mask);
         const std::string text = ReadWholeFile(path);
         return Mode(a[0]) + " " + Mode(path) + " " +
                text.substr(std::min(text.size(), text.find("\r\n") + 2 + 9));
     }},
    {"StatusLine",
     [](const Args& a) {
         LStatusWindow pane(nullptr);
         pane.AddLine(a[0], a[1]);
         return pane.Text();
     }},
    {"write",
     [](const Args& a) {
         std::filesystem::create_directories(ParentPath(a[0]));
         return Text(WriteWholeFile(a[0], a[1]));
     }},
    {"folder", [](const Args& a) { return Text(CreateFolderPath(a[0])); }},
    {"link", [](const Args& a) { return Text(symlink(a[0].c_str(), a[1].c_str()) == 0); }},
    {"chmod", [](const Args& a) { return Text(chmod(a[0].c_str(), std::stoul(a[1], 0, 8)) == 0); }},
    {"copy-tree",
     [](const Args& a) {
         const mode_t mask = umask(static_cast<mode_t>(std::stoul(a[2], nullptr, 8)));
         const bool copied = CopyFolderTree(a[0], a[1]);
         umask(mask);
         return Text(copied);
     }},
    {"read", [](const Args& a) { return ReadWholeFile(a[0]); }},
    {"mode", [](const Args& a) { return Mode(a[0]); }},
    {"walk", [](const Args& a) { return Walked<LFile::FolderIterator>(a[0]); }},
    {"walk-all", [](const Args& a) { return Walked<LFile::FolderIteratorAllFiles>(a[0]); }},
    {"walk-path",
     [](const Args& a) {
         LFile::FolderIterator walk(a[0]);
         return walk.Next() ? walk.Path() : "";
     }},
    {"documents", [](const Args&) { return GetDocumentsFolder(); }},
};

TEST(FrameSteps, TableOfStepsGivesItsResults) {
    const std::string path = getenv("PATH");
    const std::string home = getenv("HOME");
    RunSteps("frame/steps.tsv", kSteps, [](const std::string& root) {
        ASSERT_TRUE(CreateFolderPath(root + "/bin"));
        setenv("PATH", (root + "/bin").c_str(), 1);
        setenv("HOME", (root + "/home").c_str(), 1);
    });
    setenv("PATH", path.c_str(), 1);
    setenv("HOME", home.c_str(), 1);
}

// --- the logger -------------------------------------------------------------------------------

const char kMarch5[] = "2024-03-05 Brindle FTP Log.txt";

class Pane : public LLogWindow {
public:
    using LLogWindow::LLogWindow;
    void UpdateView() override { shown.push_back(Text()); }
    std::vector<std::string> shown;
};

class Logger : public testing::Test {
protected:
    Logger() { setenv("TZ", "UTC", 1), tzset(); }  // nothing else here looks at the zone

    TempFolder folder;
    time_t now = 1709634030;  // 2024-03-05 10:20:30
    LLogger logger{folder.path(), [this] { return now; }};
    ManualEventQueue queue;
};

TEST_F(Logger, WritesEveryLevelIntoTheFileOfTheLocalDay) {
    const time_t times[] = {now, now, 1709683199, 1709683200, 1709683199};
    const char* texts[] = {"first", "same second", "before midnight", "after", "clock set back"};
    for (int level = 0; level < 5; ++level) {
        now = times[level];
        logger.Log(static_cast<LogLevel>(level % 4), texts[level]);
    }
    EXPECT_EQ(ReadWholeFile(folder.File(kMarch5)),
              "10:20:30 first\r\n10:20:30 same second\r\n23:59:59 before midnight\r\n"
              "23:59:59 clock set back\r\n");
    EXPECT_EQ(ReadWholeFile(folder.File("2024-03-06 Brindle FTP Log.txt")), "00:00:00 after\r\n");
    EXPECT_EQ(logger.CurrentFilePath(), folder.File(kMarch5));
}

TEST_F(Logger, FileGetsLongLinesWholeThePaneCutOnItsThreadAndEmptyTextNeither) {
    auto pane = std::make_unique<Pane>(logger, &queue);
    logger.Log(kLogInfo, "");
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
    std::thread([this] { logger.Log(kLogStatus, std::string(300, 'm')); }).join();
    EXPECT_EQ(ReadWholeFile(folder.File(kMarch5)), "10:20:30 " + std::string(300, 'm') + "\r\n");
    EXPECT_TRUE(pane->shown.empty());
    EXPECT_EQ(queue.DispatchPending(), 1);
    EXPECT_EQ(pane->shown, std::vector<std::string>{"10:20:30\t" + std::string(250, 'm')});
    pane.reset();
    logger.Log(kLogInfo, "after the pane closed");
    EXPECT_EQ(queue.DispatchPending(), 0);
}

TEST_F(Logger, WaitsForAnotherWritersLockThenWritesAnyway) {
    const int held = open(folder.File(kMarch5).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_EQ(flock(held, LOCK_EX), 0);  // another open file conflicts like another process
    const auto start = std::chrono::steady_clock::now();
    logger.Log(kLogInfo, "despite the lock");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(400));
    EXPECT_EQ(ReadWholeFile(folder.File(kMarch5)), "10:20:30 despite the lock\r\n");
    close(held);
}

TEST(LogPane, DropsTheOldest2048BytesAtOnceBeforePassing4095) {
    LStatusWindow pane(nullptr);
    std::string all;
    for (int i = 1000; i < 1040; ++i) {  // unique lines of 100 bytes
        EXPECT_EQ(pane.Text(), all);
        pane.AddLine("12:00:00", to_string(i) + std::string(86, '.'));
        all += "12:00:00\t" + to_string(i) + std::string(86, '.') + "\n";
    }
    EXPECT_EQ(pane.Text(), all.substr(2048));
}

TEST(TheLogger, WritesIntoTheXdgDataHomeAndCutsFormattedText) {
    static TempFolder data;  // the process's logger keeps the folder it was made with
    setenv("XDG_DATA_HOME", "relative", 1);  // ignored, as the XDG rules say
    EXPECT_EQ(GetUserAppSupportFolder(), GetHomeFolder() + "/.local/share");
    setenv("XDG_DATA_HOME", data.path().c_str(), 1);
    EXPECT_EQ(GetLogFolder(), data.File("Velmor Software/BrindleFTP/Logs"));
    EXPECT_TRUE(std::filesystem::is_directory(GetLogFolder()));
    LogFormat(kLogWarning, "%s", std::string(600, 'y').c_str());
    LogJoin(kLogInfo, "Downloaded ", "file OK.");
    const std::string text = ReadWholeFile(TheLogger().CurrentFilePath());
    EXPECT_NE(text.find(" " + std::string(511, 'y') + "\r\n"), std::string::npos);
    EXPECT_TRUE(text.ends_with(" Downloaded file OK.\r\n"));
    unsetenv("XDG_DATA_HOME");
}

// --- files and folders ------------------------------------------------------------------------

TEST(UserFolders, ANamedUsersDataFolderIsBelowTheHomeOfThePasswordDatabase) {
    const passwd* me = getpwuid(getuid());
    ASSERT_NE(me, nullptr);
    // HOME does not count: the installer works for another user than itself.
    EXPECT_EQ(GetDataFolderOfUser(me->pw_name),
              std::string(me->pw_dir) + "/.local/share/Velmor Software/BrindleFTP");
    EXPECT_EQ(GetDataFolderOfUser("") + GetDataFolderOfUser("no-such-user-of-brindle"), "");
    EXPECT_TRUE(GetHelpFolder().ends_with("/help/"));
}

TEST(InstallStep, CopiesTheTemplateHandsItOverAndAlwaysRunsTheSettingsSteps) {
    TempFolder temp;
    ASSERT_TRUE(CreateFolderPath(temp.File("install/Logs")));
    ASSERT_TRUE(WriteWholeFile(temp.File("install/Logs/readme.txt"), "logs go here"));
    const time_t start = time(nullptr);
    std::string steps;
    const InstallSettingsSteps record{[&] { steps += "migrate "; },
                                      [&](time_t now) { steps += now >= start ? "date " : "? "; }};
    const bool root = geteuid() == 0;  // only the super-user can hand files to another user
    const InstallOwner owner{root ? 65534u : getuid(), root ? 65534u : getgid()};
    RunInstallStepFrom(temp.File("install"), "", owner, record);  // no such user: no files
    RunInstallStepFrom(temp.File("absent"), temp.File("other"), std::nullopt, record);
    const std::string target = temp.File("home/.local/share/Velmor Software/BrindleFTP");
    RunInstallStepFrom(temp.File("install"), target, owner, record);
    RunInstallStepFrom(temp.File("install"), temp.File("bare"), std::nullopt, {});
    EXPECT_EQ(steps, "migrate date migrate date migrate date ");
    EXPECT_FALSE(std::filesystem::exists("Logs")) << "copied into the current folder";
    EXPECT_EQ(ReadWholeFile(temp.File("bare/Logs/readme.txt")), "logs go here");
    EXPECT_EQ(ReadWholeFile(target + "/Logs/readme.txt"), "logs go here");
    for (const std::string& item : {target, target + "/Logs", target + "/Logs/readme.txt"}) {
        struct stat info {};
        ASSERT_EQ(lstat(item.c_str(), &info), 0) << item;
        EXPECT_TRUE(info.st_uid == owner.uid && info.st_gid == owner.gid) << item;
        EXPECT_EQ(info.st_mode & 0002, 0u) << item << " is writable by other users";
    }
}

// --- crashes and signals, in child processes ----------------------------------------------------

struct Child {
    pid_t pid = 0;
    int status = 0;
    std::string output;  // what it wrote to standard error
};

// Runs body in a child whose standard error the test reads; no core file is written.
Child RunInChild(const std::function<void()>& body) {
    TempFolder temp;
    Child child;
    if ((child.pid = fork()) == 0) {
        dup2(open(temp.File("stderr").c_str(), O_WRONLY | O_CREAT, 0600), STDERR_FILENO);
        const rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        body();
        _exit(0);
    }
    EXPECT_EQ(waitpid(child.pid, &child.status, 0), child.pid);
    child.output = ReadWholeFile(temp.File("stderr"));
    return child;
}

void Say(const std::string& text) {
    std::fputs(text.c_str(), stderr);
}

// The question itself is asked by a helper program (tests/ui/crash_question_test.cpp); without
// one the process ends by its signal at once.
TEST(CrashHandler, EachFatalSignalEndsTheProcessByItselfWhenNoHelperCanAsk) {
    for (int signal : {SIGQUIT, SIGILL, SIGFPE, SIGSEGV}) {
        Child child = RunInChild([signal] {
            EXPECT_TRUE(InstallSignalDispositions({.reapChildren = false}));
            raise(signal);
            Say("survived");
        });
        EXPECT_TRUE(WIFSIGNALED(child.status) && WTERMSIG(child.status) == signal) << signal;
        EXPECT_EQ(child.output, "") << signal;
    }
}

// A child that has exited; by the time this returns, a SIGCHLD handler has run.
pid_t Finished(int code) {
    const pid_t pid = fork();
    if (pid == 0) {
        _exit(code);
    }
    siginfo_t info{};
    waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT);
    return pid;
}

TEST(SignalDispositions, ClosedPipesFailAndFinishedChildrenAreReapedUnlessAWaiterWantsThem) {
    Child reaping = RunInChild([] {
        signal(SIGPIPE, SIG_DFL);  // the test program ignores it
        EXPECT_TRUE(InstallSignalDispositions());
        int ends[2];
        EXPECT_EQ(pipe(ends), 0);
        close(ends[0]);
        Say(write(ends[1], "x", 1) < 0 && errno == EPIPE ? "EPIPE" : "wrote");
        Say(kill(Finished(0), 0) != 0 ? " reaped" : " left behind");
    });
    EXPECT_EQ(reaping.output, "EPIPE reaped");
    Child waiting = RunInChild([] {
        EXPECT_TRUE(InstallSignalDispositions({.reapChildren = false}));
        const pid_t waited = Finished(7);
        int status = 0;
        Say(waitpid(waited, &status, 0) == waited ? to_string(WEXITSTATUS(status)) : "lost");
        const pid_t first = Finished(0);
        const pid_t second = Finished(1);
        errno = EDOM;
        ReapFinishedChildren(SIGCHLD);
        Say(errno == EDOM ? " errno kept" : " errno lost");
        Say(kill(first, 0) != 0 && kill(second, 0) != 0 ? " both reaped" : " left behind");
    });
    EXPECT_EQ(waiting.output, "7 errno kept both reaped");
}

}  // namespace
