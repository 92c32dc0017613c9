// pwd, and with it the session every remote command opens: logon, --cd, the failure texts,
// Ctrl+C, where the password comes from, and what reaches the log. The real program against
// a real server on 127.0.0.1, or a scripted peer where a server must stay silent.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "servers/pyftpd_fixture.h"
#include "servers/scripted_peer.h"
#include "servers/server_process.h"
#include "support/cli_runner.h"
#include "support/elapsed.h"
#include "support/private_hosts.h"
#include "support/temp_folder.h"

namespace {

constexpr const char* kConnectFailedLine =
    "Please check that the server address is correct or the firewall is not turned on.";

std::string LogFolder() {
    return std::string(std::getenv("XDG_DATA_HOME")) + "/Velmor Software/BrindleFTP/Logs";
}

std::string DailyLogName(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char name[64];
    std::strftime(name, sizeof name, "%Y-%m-%d Brindle FTP Log.txt", &local);
    return name;
}

// The daily log files of the days the test ran in.
std::string ReadDailyLog(std::time_t started) {
    std::string first = DailyLogName(started);
    std::string last = DailyLogName(std::time(nullptr));
    std::string text = ReadWholeFile(LogFolder() + "/" + first);
    if (last != first) {
        text += ReadWholeFile(LogFolder() + "/" + last);
    }
    return text;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class CliPwd : public testing::Test {
protected:
    void SetUp() override { StartServer(PyFtpdServer::Options{}); }

    void StartServer(const PyFtpdServer::Options& options) {
        server_.emplace(options);
        std::string why;
        ASSERT_TRUE(server_->Start(&why)) << why;
    }

    std::vector<std::string> Login(const std::string& password,
                                   const std::vector<std::string>& rest) const {
        std::vector<std::string> args = {"--server", server_->hostText(), "--user",
                                         "test",     "--password",        password};
        args.insert(args.end(), rest.begin(), rest.end());
        return args;
    }

    std::optional<PyFtpdServer> server_;
};

TEST_F(CliPwd, PrintsTheRootAfterLogon) {
    CliRun run = RunCli(Login("secret", {"pwd"}));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "/\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(CliPwd, PrintsTheFolderThatChangeDirectoryWentTo) {
    ASSERT_EQ(mkdir((server_->root() + "/sub").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((server_->root() + "/sub/deeper").c_str(), 0755), 0);
    struct Case {
        std::string directory;
        std::string printed;
    };
    // The server's own form of the folder, however it was given.
    const Case cases[] = {
        {"sub", "/sub\n"},
        {"/sub/deeper", "/sub/deeper\n"},
        {"sub/deeper/..", "/sub\n"},
    };
    for (const Case& c : cases) {
        CliRun run = RunCli(Login("secret", {"--cd", c.directory, "pwd"}));
        EXPECT_EQ(run.status, 0) << c.directory << ": " << run.err;
        EXPECT_EQ(run.out, c.printed) << c.directory;
        EXPECT_EQ(run.err, "") << c.directory;
    }
}

TEST_F(CliPwd, ChangeDirectoryToAMissingFolderFailsWithItsText) {
    CliRun run = RunCli(Login("secret", {"--cd", "no-such-folder", "pwd"}));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "Unable to change to the directory.\n");
}

TEST_F(CliPwd, WrongPasswordFailsWithTheLogonText) {
    CliRun run = RunCli(Login("not-the-password", {"pwd"}));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "Unable to log onto server.\n");
}

TEST_F(CliPwd, PasswordComesFromTheEnvironmentWhenNotGiven) {
    std::vector<std::string> args = {"--server", server_->hostText(), "--user", "test", "pwd"};
    CliRun run = RunCli(args, {{"BRINDLEFTP_PASSWORD", "secret"}});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "/\n");

    // The option wins over the environment.
    args.insert(args.begin(), {"--password", "not-the-password"});
    run = RunCli(args, {{"BRINDLEFTP_PASSWORD", "secret"}});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "Unable to log onto server.\n");
}

TEST_F(CliPwd, WithoutPasswordOrTerminalTheEmptyPasswordIsSent) {
    // The named user needs a password: logon fails instead of waiting for an answer.
    CliRun run = RunCli({"--server", server_->hostText(), "--user", "test", "pwd"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "Unable to log onto server.\n");

    // The default user is anonymous, which takes the empty password.
    PyFtpdServer::Options anonymous;
    anonymous.anonymous = true;
    StartServer(anonymous);
    run = RunCli({"--server", server_->hostText(), "pwd"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "/\n");
}

TEST_F(CliPwd, LogGetsTheSessionLinesAndNoPasswordIsWrittenAnywhere) {
    const std::string password = "Pw-Zq81-marmalade-Xv";
    PyFtpdServer::Options options;
    options.password = password;
    StartServer(options);
    std::time_t started = std::time(nullptr);

    CliRun good = RunCli(Login(password, {"pwd"}));
    EXPECT_EQ(good.status, 0) << good.err;
    CliRun fromEnvironment = RunCli({"--server", server_->hostText(), "--user", "test", "pwd"},
                                    {{"BRINDLEFTP_PASSWORD", password}});
    EXPECT_EQ(fromEnvironment.status, 0) << fromEnvironment.err;
    CliRun wrong = RunCli(Login(password + "-wrong", {"pwd"}));
    EXPECT_EQ(wrong.status, 2);

    std::string log = ReadDailyLog(started);
    const std::string connecting = "Connecting to server: " + server_->hostText() + ".";
    for (const char* line : {connecting.c_str(), "Connected OK.", "Disconnected from server.",
                             "Unable to log onto server.", kConnectFailedLine}) {
        EXPECT_TRUE(Contains(log, line)) << line << " missing from:\n" << log;
    }
    // Connecting, connected, disconnected, in that order, for the good run.
    std::size_t at = log.find(connecting);
    at = log.find("Connected OK.", at);
    EXPECT_NE(log.find("Disconnected from server.", at), std::string::npos) << log;

    for (const CliRun* run : {&good, &fromEnvironment, &wrong}) {
        EXPECT_FALSE(Contains(run->out + run->err, password));
    }
    std::error_code error;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(std::getenv("HOME"), error)) {
        if (entry.is_regular_file()) {
            EXPECT_FALSE(Contains(ReadWholeFile(entry.path()), password)) << entry.path();
        }
    }
}

TEST(CliSession, PortWithoutServerFailsWithTheLogonText) {
    RefusingPort port;
    ASSERT_NE(port.port(), 0);
    CliRun run = RunCli({"--server", port.hostText(), "--password", "x", "pwd"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "Unable to log onto server.\n");
}

// The program runs in a child with its own mount namespace in which the resolver reads only an
// /etc/hosts without the name: no name server is ever asked. Null when no such namespace may be
// made.
std::optional<CliRun> RunWithLocalHostsOnly(const std::vector<std::string>& args) {
    std::optional<std::string> report = RunWithPrivateHosts("127.0.0.1 localhost\n", [&] {
        CliRun run = RunCli(args);
        return std::to_string(run.status) + "\n" + run.out + "\n" + run.err;
    });
    if (!report) {
        return std::nullopt;
    }
    CliRun run;
    std::size_t first = report->find('\n');
    std::size_t second = report->find('\n', first + 1);
    run.status = std::atoi(report->substr(0, first).c_str());
    run.out = report->substr(first + 1, second - first - 1);
    run.err = report->substr(second + 1);
    return run;
}

TEST(CliSession, HostThatDoesNotResolveFailsWithTheConnectText) {
    std::optional<CliRun> run =
        RunWithLocalHostsOnly({"--server", "no-such-host.test:2121", "--password", "x", "pwd"});
    if (!run) {
        GTEST_SKIP() << "no permission for a private mount namespace";
    }
    EXPECT_EQ(run->status, 2);
    EXPECT_EQ(run->out, "");
    EXPECT_EQ(run->err, "Unable to connect to server.\n");
}

TEST(CliSession, CtrlCDuringLogonStopsWithStatusOne) {
    ScriptedPeer peer;
    peer.HoldOpen();
    peer.Start();
    std::time_t started = std::time(nullptr);
    CliProcess cli;
    ASSERT_TRUE(cli.Start({"--server", peer.hostText(), "--password", "x", "pwd"}));

    // Once the connect is logged the program is on its way to the greeting that never comes.
    const std::string connecting = "Connecting to server: " + peer.hostText() + ".";
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!Contains(ReadDailyLog(started), connecting) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(Contains(ReadDailyLog(started), connecting));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    auto interrupted = std::chrono::steady_clock::now();
    ASSERT_TRUE(cli.Signal(SIGINT));
    CliRun run = cli.Wait();
    EXPECT_LT(SecondsSince(interrupted), 3.0);
    EXPECT_EQ(run.status, 1);
    // A stop is no failure: no error text, but the connect's own failure line in the log, which
    // shows that the running logon was stopped rather than the program ended.
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(Contains(ReadDailyLog(started), kConnectFailedLine));
}

// A server that answers AUTH TLS with 500 and logs the user on at USER.
void PlayPlainServer(ScriptedPeer& peer, bool tls, const std::string& pwdReply) {
    peer.Send("220 ready\r\n");
    if (tls) {
        peer.ExpectLine().Send("500 not here\r\n");
    }
    peer.ExpectLine().Send("230 welcome\r\n");
    peer.ExpectLine().Send(pwdReply);
    peer.ExpectLine().Send("221 bye\r\n");
    peer.Start();
}

TEST(CliSession, TlsIsAskedForOnlyWithTheOptionAndTheUserDefaultsToAnonymous) {
    struct Case {
        bool tls;
        std::vector<std::string> sent;
    };
    const Case cases[] = {
        {false, {"USER anonymous", "PWD", "QUIT"}},
        {true, {"AUTH TLS", "USER anonymous", "PWD", "QUIT"}},
    };
    for (const Case& c : cases) {
        ScriptedPeer peer;
        PlayPlainServer(peer, c.tls, "257 \"/home/x\" is the current directory\r\n");
        std::vector<std::string> args = {"--server", peer.hostText(), "--password", "", "pwd"};
        if (c.tls) {
            args.insert(args.begin(), "--tls");
        }
        CliRun run = RunCli(args);
        peer.Wait();
        EXPECT_EQ(run.status, 0) << c.tls << ": " << run.err;
        EXPECT_EQ(run.out, "/home/x\n") << c.tls;
        EXPECT_EQ(peer.ReceivedLines(), c.sent) << c.tls;
    }
}

TEST(CliSession, RefusedDirectoryQueryFailsWithItsText) {
    ScriptedPeer peer;
    PlayPlainServer(peer, false, "550 no\r\n");
    CliRun run = RunCli({"--server", peer.hostText(), "--password", "", "pwd"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "Unable to get the current directory.\n");
}

TEST(CliSession, ServerIsRequired) {
    CliRun noServer = RunCli({"--user", "test", "pwd"});
    EXPECT_EQ(noServer.status, 64);
    EXPECT_TRUE(noServer.err.rfind("brindleftp-cli: ", 0) == 0) << noServer.err;
    EXPECT_NE(noServer.err.find("--server"), std::string::npos) << noServer.err;
    EXPECT_EQ(std::count(noServer.err.begin(), noServer.err.end(), '\n'), 1);
}

}  // namespace
