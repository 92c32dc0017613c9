// brindleftp-cli as a script sees it: options, usage errors, output formats, exit statuses,
// answers without a terminal, Ctrl+C and the log. Most cases are rows of tests/data/cli/*.tsv.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <thread>

#include "cli/cli_commands.h"
#include "cli/cli_remote_server.h"
#include "cli/cli_runner.h"
#include "frame/paths.h"
#include "ftp/download.h"
#include "servers/peer_script.h"
#include "support/case_table.h"
#include "support/log_tail.h"
#include "support/temp_folder.h"

namespace {

constexpr time_t kFileTime = 1583298367;  // 2020-03-04 05:06:07 UTC
constexpr time_t kNewer = kFileTime + 86400 * 30;

using Values = std::map<std::string, std::string>;
using ArgLists = std::map<std::string, std::vector<std::string>>;

// The whole text against a pattern in which '*' stands for any run of characters.
bool Matches(const char* pattern, const char* text) {
    if (*pattern == '*') {
        return Matches(pattern + 1, text) || (*text != '\0' && Matches(pattern, text + 1));
    }
    return *pattern == *text && (*pattern == '\0' || Matches(pattern + 1, text + 1));
}

// Runs every row of tests/data/cli/FILE in order: name, exit status, stdout, stderr (patterns),
// an environment variable NAME=value or "-", then the arguments; an argument that is a key of
// `lists` stands for that list of arguments.
void RunCases(const std::string& file, const Values& values, const ArgLists& lists,
              const CliEnvironment& environment) {
    for (const auto& [name, field] : LoadCases("cli/" + file)) {
        ASSERT_GE(field.size(), 5u) << name;
        std::vector<std::string> args;
        for (std::size_t i = 5; i < field.size(); ++i) {
            auto list = lists.find(field[i]);
            if (list == lists.end()) {
                args.push_back(Substitute(field[i], values));
            } else {
                args.insert(args.end(), list->second.begin(), list->second.end());
            }
        }
        CliEnvironment env = environment;
        if (field[4] != "-") {
            std::string set = Substitute(field[4], values);
            env.emplace_back(set.substr(0, set.find('=')), set.substr(set.find('=') + 1));
        }
        const CliRun run = RunCli(args, env);
        EXPECT_EQ(run.status, std::stoi(field[1])) << name << ": " << run.err;
        EXPECT_TRUE(Matches(Substitute(field[2], values).c_str(), run.out.c_str()))
            << name << ", stdout:\n"
            << run.out;
        EXPECT_TRUE(Matches(Substitute(field[3], values).c_str(), run.err.c_str()))
            << name << ", stderr:\n"
            << run.err;
        if (run.status == 64) {
            EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << name << ": one line";
        }
    }
}

// Waits (a minute at most) until `ready` holds, then sends Ctrl+C.
CliRun InterruptWhen(const std::vector<std::string>& args, const std::function<bool()>& ready) {
    CliProcess cli;
    EXPECT_TRUE(cli.Start(args));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!ready() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(ready()) << "the awaited event never came";
    EXPECT_TRUE(cli.Signal(SIGINT));
    return cli.Wait();
}

off_t FileSize(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_size : -1;
}

// Every tests/data/cli/offline*.tsv, in name order, on one settings store.
TEST(CliProgram, CasesWithoutAServer) {
    TempFolder config("brindle-cli-config");
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(TestDataPath("cli"))) {
        if (entry.path().filename().string().starts_with("offline")) {
            files.push_back(entry.path().filename().string());
        }
    }
    std::sort(files.begin(), files.end());
    for (const std::string& file : files) {
        RunCases(file, {{"DATA", BRINDLE_TEST_DATA_DIR}}, {}, {{"XDG_CONFIG_HOME", config.path()}});
    }
}

TEST(CliProgram, HelpNamesEveryCommand) {
    for (const char* flag : {"--help", "-h"}) {
        const CliRun run = RunCli({flag});
        EXPECT_EQ(run.status, 0);
        for (const CliCommand& command : CliCommands()) {
            EXPECT_NE(run.out.find("\n  " + std::string(command.name)), std::string::npos)
                << command.name << " missing from " << flag;
        }
    }
}

// Facts an MLSD line leaves out are "-", never looked up; the default user is anonymous and
// AUTH TLS is not sent without --tls.
TEST(CliProgram, LsShowsFactsTheListingLeftOutAsDashes) {
    const std::vector<PeerScript> scripts = LoadPeerScripts("cli/ls.script");
    ScriptedPeer data;
    PlayScript(data, FindPeerScript(scripts, "data"));
    data.Start();
    ScriptedPeer control;
    PlayScript(control, FindPeerScript(scripts, "control"),
               {{"PASV", PassiveReplyFor(data.port())}});
    control.Start();
    const CliRun run = RunCli({"--server", control.hostText(), "ls"});
    control.Wait();
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "0\t0\t-\t-\tno-size-no-time.txt\n-\t-\t7\t1704164645\tno-type.txt\n"
              "1\t1\t1\t-\tlink\n");
    EXPECT_EQ(ScriptMismatch(control, FindPeerScript(scripts, "control")), "");
}

TEST(CliProgram, CtrlCWhileConnectingStopsWithStatusOne) {
    ScriptedPeer silent;
    silent.HoldOpen();
    silent.Start();
    LogTail log;
    const CliRun run =
        InterruptWhen({"--server", silent.hostText(), "--password", "x", "pwd"},
                      [&] { return log.Contains("Connecting to server: " + silent.hostText()); });
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out + run.err, "");
    EXPECT_TRUE(log.Contains("Please check that the server address is correct")) << "stopped";
}

// The folders and files the rows of session.tsv expect, remote and local.
class CliSession : public RealServerTest {
protected:
    void SetUp() override {
        RealServerTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        for (const char* folder :
             {"sub", "one", "one/inner", "tree", "tree/deeper", "empty", "mirror"}) {
            ASSERT_TRUE(server().MakeFolder(folder)) << folder;
        }
        ASSERT_TRUE(server().MakeFile("a.txt", "hello", kFileTime));
        ASSERT_TRUE(server().MakeFile("sub/inner.bin", std::string(1500, 'x'), kFileTime));
        ASSERT_TRUE(server().MakeFile("tree/deeper/two.txt", "22"));
        ASSERT_TRUE(server().MakeFile("same.txt", "remote", kFileTime));
        ASSERT_TRUE(server().MakeFile("ten.txt", "RRRR"));
        ASSERT_TRUE(server().MakeFile("mirror/r.txt", "remote"));
        for (const char* folder : {"dl", "mirror", "up", "up/site", "up/site/css", "up/notes"}) {
            ASSERT_EQ(mkdir(local_.File(folder).c_str(), 0755), 0) << folder;
        }
        const std::map<std::string, std::string> files = {{"ten.txt", "0123456789"},
                                                          {"mirror/l.txt", "local"},
                                                          {"up/site/index.html", "ix"},
                                                          {"up/site/css/a.css", "css"},
                                                          {"up/notes/n.txt", "notes"}};
        for (const auto& [name, bytes] : files) {
            ASSERT_TRUE(WriteWholeFile(local_.File(name), bytes)) << name;
        }
        ASSERT_TRUE(WriteWholeFile(local_.File("same.txt"), "newer local"));
        const timespec times[2] = {{kNewer, 0}, {kNewer, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, local_.File("same.txt").c_str(), times, 0), 0);
    }

    TempFolder local_{"brindle-cli-local"};
};

TEST_P(CliSession, Cases) {
    TempFolder config("brindle-cli-config");
    LogTail log;
    {
        ScopedWorkingFolder working(local_.path());
        RunCases("session.tsv", {{"HOST", server().hostText()}, {"LOCAL", local_.path()}},
                 {{"{LOGIN}", ServerArgs(server())}, {"{SERVER}", ServerArgs(server(), true)}},
                 {{"TZ", "UTC"}, {"XDG_CONFIG_HOME", config.path()}});
    }
    EXPECT_EQ(ReadWholeFile(server().Path("ten.txt")), "RRRR456789") << "put --append";
    for (const std::string& line :
         {"Connecting to server: " + server().hostText() + ".", std::string("Connected OK."),
          std::string("Disconnected from server."), std::string("Unable to log onto server."),
          std::string("Queuing file: a.txt"), std::string("Synchronize completed.")}) {
        EXPECT_TRUE(log.Contains(line)) << line << " missing from the log:\n" << log.Text();
    }
    EXPECT_FALSE(log.Contains(server().password())) << log.Text();
    char day[64];
    const time_t now = time(nullptr);
    strftime(day, sizeof day, "/%Y-%m-%d Brindle FTP Log.txt", localtime(&now));
    EXPECT_NE(ReadWholeFile(GetLogFolder() + day).find("Connected OK."), std::string::npos) << day;
}

// Ctrl+C once bytes arrived: status 1, nothing printed, the part file gone.
TEST_P(CliSession, CtrlCStopsTransfersWithStatusOne) {
    const int huge = open(server().Path("huge.bin").c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    ASSERT_GE(huge, 0);
    ASSERT_EQ(ftruncate(huge, 8LL << 30), 0);
    close(huge);
    std::vector<std::string> get = ServerArgs(server());
    get.insert(get.end(), {"get", "huge.bin", local_.File("huge.bin")});
    const std::string part = DownloadTemporaryPath(local_.File("huge.bin"));
    CliRun run = InterruptWhen(get, [&] { return FileSize(part) > 0; });
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out + run.err, "");
    EXPECT_EQ(FileSize(local_.File("huge.bin")), -1);
    EXPECT_EQ(FileSize(part), -1);

    std::vector<std::string> download = ServerArgs(server());
    // Named first, a.txt would run last: the stop leaves it out.
    download.insert(download.end(), {"download", "a.txt", "huge.bin", "--to", local_.File("dl")});
    run = InterruptWhen(
        download, [&] { return FileSize(DownloadTemporaryPath(local_.File("dl/huge.bin"))) > 0; });
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(FileSize(local_.File("dl/a.txt")), -1);
}

const ServerCase kPyftpdCases[] = {kAllServers[0], kAllServers[1]};
INSTANTIATE_TEST_SUITE_P(Servers, CliSession, testing::ValuesIn(kPyftpdCases), ServerCaseName);

// A certificate that does not verify, without a terminal: refused with what to do about it, and
// never accepted by --yes; --trust and trust-save let a script connect.
TEST(CliProgram, ConnectsToAnUnverifiedCertificateOnlyWhenTrusted) {
    TempFolder config("brindle-cli-config"), certificates("brindle-cli-certificates");
    const std::string self = certificates.File("self");
    ASSERT_TRUE(MakeCertificate("self-signed", self));
    RealServer server(kAllServers[1]);
    server.UseCertificate(self);
    std::string why;
    ASSERT_TRUE(server.Start(&why)) << why;
    std::string typed = CertificateFingerprint(self);
    std::erase(typed, ':');
    std::transform(typed.begin(), typed.end(), typed.begin(), ::tolower);
    LogTail log;
    RunCases("trust.tsv", {{"FP", CertificateFingerprint(self)}, {"FP_TYPED", typed}},
             {{"{LOGIN}", ServerArgs(server)}, {"{SERVER}", ServerArgs(server, true)}},
             {{"XDG_CONFIG_HOME", config.path()}});
    EXPECT_FALSE(log.Contains(server.password())) << log.Text();
}

// A line of 300 MB of NUL bytes, read from a sparse file: one "-", then the next line's record,
// in bounded memory and without an uncaught exception.
TEST(CliProgram, ParseListSkipsAnOverlongLineAndReadsOn) {
    TempFolder folder("brindle-cli-parse");
    const std::string line = "\n-rw-r--r-- 1 u g 3 Mar 3 2008 after.txt\n";
    const int fd = open(folder.File("zeros").c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    const off_t zeros = 300LL << 20;
    EXPECT_EQ(pwrite(fd, line.data(), line.size(), zeros), static_cast<ssize_t>(line.size()));
    close(fd);
    const CliRun run = RunCli({"parse-list", folder.File("zeros")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "-\n3\t0\t0\t2008\t3\t3\t0\t0\t0\tafter.txt\n");
    rusage children{};
    ASSERT_EQ(getrusage(RUSAGE_CHILDREN, &children), 0);
    EXPECT_LT(children.ru_maxrss, 150 * 1024) << "kB at the peak: the line was kept";
}

// A server's names with ESC and CR: raw bytes for a script, escaped in the log.
TEST_P(CliSession, ControlCharactersInNamesAreRawInAPipeAndEscapedInTheLog) {
    ASSERT_TRUE(server().MakeFile("e\x1b[31mred\rx.txt", "x"));
    LogTail log;
    std::vector<std::string> args = ServerArgs(server());
    args.push_back("ls");
    EXPECT_NE(RunCli(args).out.find("\te\x1b[31mred\rx.txt\n"), std::string::npos);
    args.back() = "download";
    args.insert(args.end(), {"e\x1b[31mred\rx.txt", "--to", local_.File("dl")});
    EXPECT_EQ(RunCli(args).status, 0);
    EXPECT_EQ(ReadWholeFile(local_.File("dl/e\x1b[31mred\rx.txt")), "x");
    EXPECT_TRUE(log.Contains("Queuing file: e\\x1b[31mred\\x0dx.txt\r\n")) << log.Text();
}

// Ctrl+C while the server sits on a SIZE: status 1 at once, not after the reply's wait.
// Ctrl+C while the server stalls on a look-up, on the data or on the reply after it.
TEST(CliProgram, CtrlCWhileTheServerStallsStopsWithinTwoSeconds) {
    TempFolder local("brindle-cli-stall");
    ASSERT_TRUE(WriteWholeFile(local.File("big.iso"), std::string(100000, 'u')));
    const std::vector<PeerScript> scripts = LoadPeerScripts("cli/stalls.script");
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"stat while SIZE stalls", {"stat", "big.iso"}},
        {"get while the data stalls", {"get", "big.iso", local.File("got.iso")}},
        {"put while the reply after the data stalls", {"put", local.File("big.iso"), "big.iso"}},
        {"download while the folder's listing stalls", {"download", "tree", "--to", local.path()}}};
    for (const auto& [name, command] : cases) {
        SCOPED_TRACE(name);
        ScriptedPeer server, data;
        const PeerScript& script = FindPeerScript(scripts, name);
        PlayScript(server, script, {{"PASV", PassiveReplyFor(data.port())}});
        for (const PeerScript& s : scripts) {
            if (s.name == std::string(name) + "/data") {
                PlayScript(data, s);
            }
        }
        server.Start();
        data.Start();
        std::size_t expected = 0;
        for (const std::string& line : script.lines) {
            expected += line.starts_with(">");
        }
        std::vector<std::string> args = {"--server", server.hostText()};
        args.insert(args.end(), command.begin(), command.end());
        auto signalled = std::chrono::steady_clock::now();
        const CliRun run = InterruptWhen(args, [&] {
            signalled = std::chrono::steady_clock::now();
            return server.ReceivedLines().size() == expected;
        });
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::seconds(2));
        EXPECT_EQ(ScriptMismatch(server, script), "");
    }
}

}  // namespace
