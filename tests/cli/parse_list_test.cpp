// parse-list: the LIST line parser on every line of a file or stdin, one output line each.
#include "cli/cli_parse_list.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "cli/cli_exit.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace {

constexpr ListToday kToday{2026, 12, 6};

constexpr const char* kNotesLine =
    "-rw-r--r--   1 owner    group       1234 Jan 15 12:30 notes.txt";
constexpr const char* kNotesRecord = "1234\t0\t0\t2026\t1\t15\t12\t30\t1\tnotes.txt\n";

TEST(FormatParseListOutput, PrintsOneRecordOrDashPerLine) {
    struct Case {
        std::string input;
        std::string expected;
    } cases[] = {
        {kNotesLine, kNotesRecord},
        {std::string(kNotesLine) + "\r\n", kNotesRecord},
        {"drwxr-xr-x 2 owner group 4096 Mar  3  2008 src\n",
         "4096\t1\t0\t2008\t3\t3\t0\t0\t0\tsrc\n"},
        {"lrwxrwxrwx 1 owner group 7 Jan 5 10:00 www -> public\n",
         "7\t0\t1\t2026\t1\t5\t10\t0\t1\twww -> public\n"},
        {"01-15-09  12:30PM  <DIR>  Backup\r\n", "0\t1\t0\t2009\t1\t15\t12\t30\t1\tBackup\n"},
        {"-rw-r--r-- 1 0 0 5368709120 Mar 03  2008 big.iso\n",
         "5368709120\t0\t0\t2008\t3\t3\t0\t0\t0\tbig.iso\n"},
        // Names are bytes: nothing is converted.
        {"-rw-r--r-- 1 0 0 0 Mar 03  2008 M\xE4rz.txt\n",
         "0\t0\t0\t2008\t3\t3\t0\t0\t0\tM\xE4rz.txt\n"},
        {"total 48\r\n", "-\n"},
        {"\n", "-\n"},
        {"\r\n\r\n", "-\n-\n"},
        {"", ""},
        // The last line counts without its LF.
        {std::string("total 8\n") + kNotesLine, std::string("-\n") + kNotesRecord},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatParseListOutput(c.input, &kToday), c.expected) << c.input;
    }
}

TEST(FormatParseListOutput, InfersTheYearFromTheGivenToday) {
    // January 15 is one day after the 14th: last year's.
    const ListToday dayBefore{2026, 1, 14};
    const ListToday sameDay{2026, 1, 15};
    EXPECT_EQ(FormatParseListOutput(kNotesLine, &dayBefore),
              "1234\t0\t0\t2025\t1\t15\t12\t30\t1\tnotes.txt\n");
    EXPECT_EQ(FormatParseListOutput(kNotesLine, &sameDay),
              "1234\t0\t0\t2026\t1\t15\t12\t30\t1\tnotes.txt\n");
}

TEST(FormatParseListOutput, UsesTheLocalClockWithoutAToday) {
    const ListToday today = LocalListToday();
    const int year = (today.month > 1 || today.day >= 15) ? today.year : today.year - 1;
    EXPECT_EQ(FormatParseListOutput(kNotesLine),
              "1234\t0\t0\t" + std::to_string(year) + "\t1\t15\t12\t30\t1\tnotes.txt\n");
}

// Sends a standard descriptor into a file for the life of the object.
class RedirectedDescriptor {
public:
    RedirectedDescriptor(int fd, const std::string& path, int flags) : fd_(fd), saved_(dup(fd)) {
        std::fflush(stdout);
        int file = open(path.c_str(), flags | O_CLOEXEC, 0600);
        dup2(file, fd_);
        close(file);
    }
    ~RedirectedDescriptor() {
        std::fflush(stdout);
        dup2(saved_, fd_);
        close(saved_);
    }
    RedirectedDescriptor(const RedirectedDescriptor&) = delete;
    RedirectedDescriptor& operator=(const RedirectedDescriptor&) = delete;

private:
    int fd_;
    int saved_;
};

struct CommandRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the command in this process with stdout and stderr in files; stdin from stdinPath when
// given.
CommandRun RunParseListCommand(const std::vector<std::string>& arguments,
                               const std::string& stdinPath = "") {
    TempFolder temp("brindle-parse-list");
    ScriptedUiServices ui;
    ScriptedProcessLauncher launcher;
    ManualEventQueue queue;
    CliServices services{ui, launcher, queue};
    CliOptions options;
    options.command = "parse-list";
    options.arguments = arguments;
    CommandRun run;
    {
        RedirectedDescriptor out(STDOUT_FILENO, temp.File("out"), O_WRONLY | O_CREAT | O_TRUNC);
        RedirectedDescriptor err(STDERR_FILENO, temp.File("err"), O_WRONLY | O_CREAT | O_TRUNC);
        if (stdinPath.empty()) {
            run.status = RunParseList(options, services);
        } else {
            RedirectedDescriptor in(STDIN_FILENO, stdinPath, O_RDONLY);
            run.status = RunParseList(options, services);
        }
    }
    run.out = ReadWholeFile(temp.File("out"));
    run.err = ReadWholeFile(temp.File("err"));
    return run;
}

constexpr const char* kListing =
    "total 2\r\n"
    "drwxr-xr-x 2 owner group 4096 Mar  3  2008 src\r\n"
    "-rw-r--r-- 1 owner 512 Feb 2 2009 a\r\n";
constexpr const char* kListingOutput =
    "-\n"
    "4096\t1\t0\t2008\t3\t3\t0\t0\t0\tsrc\n"
    "512\t0\t0\t2009\t2\t2\t0\t0\t0\ta\n";

TEST(RunParseList, ParsesTheGivenFile) {
    TempFolder temp;
    ASSERT_TRUE(WriteWholeFile(temp.File("listing.txt"), kListing));
    CommandRun run = RunParseListCommand({temp.File("listing.txt")});
    EXPECT_EQ(run.status, kExitDone);
    EXPECT_EQ(run.out, kListingOutput);
    EXPECT_EQ(run.err, "");
}

TEST(RunParseList, ReadsStdinWithoutAFile) {
    TempFolder temp;
    ASSERT_TRUE(WriteWholeFile(temp.File("listing.txt"), kListing));
    CommandRun run = RunParseListCommand({}, temp.File("listing.txt"));
    EXPECT_EQ(run.status, kExitDone);
    EXPECT_EQ(run.out, kListingOutput);
}

TEST(RunParseList, FailsWithOneLineForAFileItCannotRead) {
    TempFolder temp;
    for (const std::string& path : {temp.File("missing.txt"), temp.path()}) {
        CommandRun run = RunParseListCommand({path});
        EXPECT_EQ(run.status, kExitFailed) << path;
        EXPECT_EQ(run.out, "") << path;
        EXPECT_NE(run.err.find(path), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
    }
}

}  // namespace
