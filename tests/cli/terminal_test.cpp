// brindleftp-cli on a terminal: the progress line and --quiet, the password asked without echo,
// questions asked on the terminal, Ctrl+C at a prompt.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

#include "cli/cli_remote_server.h"
#include "support/temp_folder.h"

namespace {

// The program with a pseudo-terminal as its controlling terminal, stdin, stdout and stderr.
class TerminalCli {
public:
    explicit TerminalCli(const std::vector<std::string>& args) {
        pid_ = forkpty(&master_, nullptr, nullptr, nullptr);
        if (pid_ == 0) {
            std::vector<char*> argv{const_cast<char*>(BRINDLE_CLI_PATH)};
            for (const std::string& arg : args) {
                argv.push_back(const_cast<char*>(arg.c_str()));
            }
            argv.push_back(nullptr);
            execv(BRINDLE_CLI_PATH, argv.data());
            _exit(127);
        }
    }
    ~TerminalCli() {
        if (pid_ > 0 && status_ < 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(master_);
    }

    // Reads what the terminal shows until `text` appeared; false when the program ended first
    // or after a minute.
    bool WaitFor(const std::string& text) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        while (shown_.find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() > deadline || !ReadSome()) {
                return false;
            }
        }
        return true;
    }
    bool Type(const std::string& text) {
        return write(master_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    }
    // Reads to the end of the output; the exit status.
    int Wait() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        while (ReadSome()) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(pid_, SIGKILL);  // a hang shows as status -1 with what was shown
            }
        }
        for (pollfd fd{master_, POLLIN, 0}; poll(&fd, 1, 0) > 0 && ReadSome();) {
        }
        if (status_ < 0) {
            waitpid(pid_, &status_, 0);
        }
        return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
    }
    bool EchoOn() const {
        termios settings{};
        return tcgetattr(master_, &settings) == 0 && (settings.c_lflag & ECHO) != 0;
    }
    const std::string& shown() const { return shown_; }

private:
    bool ReadSome() {
        pollfd fd{master_, POLLIN, 0};
        char buffer[4096];
        if (poll(&fd, 1, 100) <= 0) {
            return waitpid(pid_, &status_, WNOHANG) == 0;
        }
        const ssize_t n = read(master_, buffer, sizeof buffer);
        shown_.append(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
        return n > 0;
    }

    pid_t pid_ = -1;
    int master_ = -1;
    int status_ = -1;
    std::string shown_;
};

using CliTerminal = RealServerTest;

TEST_P(CliTerminal, Cases) {
    TempFolder local("brindle-cli-terminal");
    ASSERT_TRUE(server().MakeFile("big.bin", std::string(300 * 1024, 'b')));
    ASSERT_TRUE(server().MakeFile("same.txt", "remote", 1583298367));
    ASSERT_TRUE(WriteWholeFile(local.File("same.txt"), "newer local"));
    ASSERT_TRUE(server().MakeFile("e\x1b[31mred\rx.txt", "x"));
    const std::vector<std::string> login = ServerArgs(server()), bare = ServerArgs(server(), true);
    auto with = [](std::vector<std::string> args, std::initializer_list<std::string> rest) {
        args.insert(args.end(), rest);
        return args;
    };
    const std::string password = "Password for test@" + server().hostText() + ": ";
    const std::vector<std::string> download =
        with(login, {"download", "same.txt", "--to", local.path()});
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::string prompt, typed;  // typed once the prompt is shown
        int status;
        std::string shows, hides, localSame;  // "" for no check
    };
    const Case cases[] = {
        {"progress", with(login, {"get", "big.bin", local.File("big.bin")}), "", "", 0,
         "\r\033[K[####################] 100%  big.bin: 100%", "", ""},
        {"quiet", with(login, {"--quiet", "put", local.File("big.bin"), "again.bin"}), "", "", 0,
         "", "\033", ""},
        {"password", with(bare, {"pwd"}), password, "secret\n", 0, "/\r\n", "secret", ""},
        {"Ctrl+C at the password", with(bare, {"pwd"}), password, "\x03", 1, "", "", ""},
        {"question, unknown answer then no", download, "[Yes]: ", "maybe\nn\n\n", 0, "", "",
         "newer local"},
        {"question, yes", download, "[Yes]: ", "y\nn\n", 0, "", "", "remote"},
        {"names escaped", with(login, {"ls"}), "", "", 0, "\te\\x1b[31mred\\x0dx.txt\r\n",
         "\033[31m", ""},
        {"names escaped in the report", with(login, {"test"}), "", "", 0, "e\\x1b[31mred\\x0dx.txt",
         "\033[31m", ""},
    };
    for (const Case& c : cases) {
        TerminalCli cli(c.args);
        if (!c.prompt.empty()) {
            ASSERT_TRUE(cli.WaitFor(c.prompt)) << c.name << ":\n" << cli.shown();
            ASSERT_TRUE(cli.Type(c.typed));
        }
        EXPECT_EQ(cli.Wait(), c.status) << c.name << ":\n" << cli.shown();
        EXPECT_TRUE(c.shows.empty() || cli.shown().find(c.shows) != std::string::npos)
            << c.name << ":\n"
            << cli.shown();
        EXPECT_TRUE(c.hides.empty() || cli.shown().find(c.hides) == std::string::npos)
            << c.name << ":\n"
            << cli.shown();
        EXPECT_TRUE(c.localSame.empty() || ReadWholeFile(local.File("same.txt")) == c.localSame)
            << c.name;
        EXPECT_TRUE(cli.EchoOn()) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, CliTerminal, testing::Values(kAllServers[0]), ServerCaseName);

}  // namespace
