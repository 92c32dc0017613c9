// get and put: the real program against pyftpdlib and vsftpd, plain and over TLS; Ctrl+C in the
// middle of a download; the progress line on a terminal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_remote_server.h"
#include "frame/file_descriptor.h"
#include "support/cli_runner.h"
#include "support/temp_folder.h"

namespace {

constexpr time_t kLocalTime = 1583298367;  // 2020-03-04 05:06:07 UTC

// Bytes that differ from block to block, so a misplaced block shows.
std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t state = 12345;
    for (char& c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    return bytes;
}

bool Exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

off_t FileSize(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_size : -1;
}

// The test process's working folder moved for a while: the default local name lands there.
class ScopedWorkingFolder {
public:
    explicit ScopedWorkingFolder(const std::string& path) {
        char* old = getcwd(nullptr, 0);
        old_ = old != nullptr ? old : "/";
        free(old);
        changed_ = chdir(path.c_str()) == 0;
    }
    ~ScopedWorkingFolder() { [[maybe_unused]] int back = chdir(old_.c_str()); }
    bool changed() const { return changed_; }

private:
    std::string old_;
    bool changed_ = false;
};

struct SizeCase {
    const char* name;
    std::size_t size;
};
const SizeCase kSizes[] = {{"empty.bin", 0}, {"small.txt", 5}, {"large.bin", 3 * 1024 * 1024 + 7}};

using CliGet = RemoteCommandTest;

TEST_P(CliGet, DownloadsFilesByteForByte) {
    TempFolder local("brindle-get");
    for (const SizeCase& c : kSizes) {
        const std::string bytes = Pattern(c.size);
        ASSERT_TRUE(server().MakeFile(c.name, bytes));
        CliRun run = server().Run({"get", c.name, local.File(c.name)});
        EXPECT_EQ(run.status, 0) << c.name << ": " << run.err;
        EXPECT_EQ(run.out + run.err, "") << c.name;
        EXPECT_TRUE(ReadWholeFile(local.File(c.name)) == bytes) << c.name;
    }
}

TEST_P(CliGet, LocalNameDefaultsToTheRemoteNameInTheWorkingFolder) {
    ASSERT_TRUE(server().MakeFolder("sub"));
    ASSERT_TRUE(server().MakeFile("sub/remote.txt", "remote bytes"));
    TempFolder local("brindle-get");
    CliRun run;
    {
        ScopedWorkingFolder working(local.path());
        ASSERT_TRUE(working.changed());
        run = server().Run({"get", "sub/remote.txt"});
    }
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadWholeFile(local.File("remote.txt")), "remote bytes");
}

TEST_P(CliGet, RefusedFileLeavesTheLocalFileEmptyAndPrintsTheServersText) {
    TempFolder local("brindle-get");
    const std::string target = local.File("kept-but-emptied.txt");
    ASSERT_TRUE(WriteWholeFile(target, "what was there before"));
    CliRun run = server().Run({"get", "missing.txt", target});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    // The reply text of the RETR, one line.
    EXPECT_FALSE(run.err.empty());
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_TRUE(Exists(target));
    EXPECT_EQ(FileSize(target), 0);
}

TEST_P(CliGet, LocalFileThatCannotBeMadeFailsWithTheDownloadText) {
    ASSERT_TRUE(server().MakeFile("a.txt", "a"));
    CliRun run = server().Run({"get", "a.txt", "/no-such-folder/a.txt"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "Unable to download file \"a.txt\".\n");
}

INSTANTIATE_TEST_SUITE_P(Servers, CliGet, testing::ValuesIn(kServerCases), ServerCaseName);

using CliPut = RemoteCommandTest;

TEST_P(CliPut, UploadsFilesByteForByte) {
    TempFolder local("brindle-put");
    for (const SizeCase& c : kSizes) {
        const std::string bytes = Pattern(c.size);
        ASSERT_TRUE(WriteWholeFile(local.File(c.name), bytes));
        CliRun run = server().Run({"put", local.File(c.name), c.name});
        EXPECT_EQ(run.status, 0) << c.name << ": " << run.err;
        EXPECT_EQ(run.out + run.err, "") << c.name;
        EXPECT_TRUE(ReadWholeFile(server().Path(c.name)) == bytes) << c.name;
    }
}

TEST_P(CliPut, RemoteNameDefaultsToTheLocalFilesName) {
    TempFolder local("brindle-put");
    ASSERT_TRUE(WriteWholeFile(local.File("named.txt"), "bytes"));
    CliRun run = server().Run({"put", local.File("named.txt")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadWholeFile(server().Path("named.txt")), "bytes");
}

TEST_P(CliPut, AppendSendsOnlyWhatTheRemoteFileLacks) {
    TempFolder local("brindle-put");
    const std::string bytes = Pattern(10000);
    ASSERT_TRUE(WriteWholeFile(local.File("resume.bin"), bytes));
    // The remote start differs from the local one: a resend of it would show.
    const std::string remoteStart(4000, 'R');
    ASSERT_TRUE(server().MakeFile("resume.bin", remoteStart));

    CliRun run = server().Run({"put", local.File("resume.bin"), "resume.bin", "--append"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(ReadWholeFile(server().Path("resume.bin")) == remoteStart + bytes.substr(4000));

    // Already complete: nothing more is sent.
    run = server().Run({"put", local.File("resume.bin"), "resume.bin", "--append"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(FileSize(server().Path("resume.bin")), 10000);
}

TEST_P(CliPut, MissingLocalFileFailsWithTheUploadText) {
    CliRun run = server().Run({"put", "/no-such-folder/x.txt", "x.txt"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "Unable to upload file \"/no-such-folder/x.txt\".\n");
    EXPECT_FALSE(Exists(server().Path("x.txt")));
}

INSTANTIATE_TEST_SUITE_P(Servers, CliPut, testing::ValuesIn(kServerCases), ServerCaseName);

// Of the two servers only pyftpdlib offers MFMT.
TEST(CliPutMfmt, ServerWithMfmtGetsTheLocalFileTime) {
    PyFtpdServer server;
    std::string why;
    ASSERT_TRUE(server.Start(&why)) << why;
    TempFolder local("brindle-put");
    ASSERT_TRUE(WriteWholeFile(local.File("dated.txt"), "dated"));
    timespec times[2] = {{kLocalTime, 0}, {kLocalTime, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, local.File("dated.txt").c_str(), times, 0), 0);
    CliRun run = RunCli({"--server", server.hostText(), "--user", "test", "--password", "secret",
                         "put", local.File("dated.txt")});
    EXPECT_EQ(run.status, 0) << run.err;
    struct stat info {};
    ASSERT_EQ(stat((server.root() + "/dated.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtime, kLocalTime);
}

// A sparse file far larger than a run could fetch before the test interrupts it.
class CliTransferStop : public testing::Test {
protected:
    void SetUp() override {
        std::string why;
        ASSERT_TRUE(server_.Start(&why)) << why;
        const std::string path = server_.root() + "/huge.bin";
        FileDescriptor file(open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
        ASSERT_TRUE(file.valid());
        ASSERT_EQ(ftruncate(file.get(), 8LL << 30), 0);
    }

    PyFtpdServer server_;
};

TEST_F(CliTransferStop, CtrlCInTheMiddleOfADownloadStopsWithStatusOneAndDeletesThePart) {
    TempFolder local("brindle-get");
    const std::string target = local.File("huge.bin");
    CliProcess cli;
    ASSERT_TRUE(cli.Start({"--server", server_.hostText(), "--user", "test", "--password", "secret",
                           "get", "huge.bin", target}));
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (FileSize(target) <= 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_GT(FileSize(target), 0) << "the download never started";
    ASSERT_TRUE(cli.Signal(SIGINT));
    CliRun run = cli.Wait();
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out + run.err, "");
    EXPECT_FALSE(Exists(target));
}

// brindleftp-cli with stderr (and stdout) on a pseudo-terminal; what the terminal showed.
struct TerminalRun {
    int status = -1;
    std::string shown;
};

TerminalRun RunOnTerminal(const std::vector<std::string>& args) {
    TerminalRun result;
    int master = -1;
    pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid < 0) {
        return result;
    }
    if (pid == 0) {
        std::vector<char*> argv{const_cast<char*>(BRINDLE_CLI_PATH)};
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        execv(BRINDLE_CLI_PATH, argv.data());
        _exit(127);
    }
    char buffer[4096];
    for (;;) {
        pollfd fd{master, POLLIN, 0};
        if (poll(&fd, 1, 100) > 0) {
            ssize_t n = read(master, buffer, sizeof buffer);
            if (n <= 0) {
                break;  // the child closed the terminal: it has ended
            }
            result.shown.append(buffer, static_cast<std::size_t>(n));
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    close(master);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

TEST(CliTransferProgress, ShowsTheTransferOnTheTerminalUnlessQuiet) {
    PyFtpdServer server;
    std::string why;
    ASSERT_TRUE(server.Start(&why)) << why;
    ASSERT_TRUE(WriteWholeFile(server.root() + "/shown.bin", Pattern(300 * 1024)));
    TempFolder local("brindle-get");
    const std::vector<std::string> login = {"--server", server.hostText(), "--user",
                                            "test",     "--password",      "secret"};

    std::vector<std::string> args = login;
    args.insert(args.end(), {"get", "shown.bin", local.File("shown.bin")});
    TerminalRun run = RunOnTerminal(args);
    EXPECT_EQ(run.status, 0) << run.shown;
    // Drawn in place: the bar with its percentage, then the status line of the transfer.
    EXPECT_NE(run.shown.find("\r\033[K[##########----------]  50%  shown.bin: 49%"),
              std::string::npos)
        << run.shown;
    EXPECT_EQ(FileSize(local.File("shown.bin")), 300 * 1024);

    args = login;
    args.insert(args.end(), {"--quiet", "put", local.File("shown.bin"), "again.bin"});
    run = RunOnTerminal(args);
    EXPECT_EQ(run.status, 0) << run.shown;
    EXPECT_EQ(run.shown, "");
    EXPECT_EQ(FileSize(server.root() + "/again.bin"), 300 * 1024);
}

}  // namespace
