// The command line of brindleftp-cli: the real program for what a script sees, the parser
// in-process for the option cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "support/cli_runner.h"

namespace {

bool IsOneLine(const std::string& text) {
    return !text.empty() && text.back() == '\n' && std::count(text.begin(), text.end(), '\n') == 1;
}

TEST(CliProgram, HelpListsEveryCommandOfTheContractAndExitsZero) {
    const char* const contractCommands[] = {
        "parse-list", "pwd",   "ls",    "stat",      "get",         "put",
        "mkdir",      "rmdir", "rm",    "mv",        "test",        "download",
        "upload",     "sync",  "sites", "site-save", "site-delete",
    };
    for (const char* flag : {"--help", "-h"}) {
        CliRun run = RunCli({flag});
        EXPECT_EQ(run.status, 0) << flag;
        EXPECT_EQ(run.err, "") << flag;
        for (const char* command : contractCommands) {
            EXPECT_NE(run.out.find("\n  " + std::string(command)), std::string::npos)
                << command << " missing from " << flag;
        }
        for (const char* option : {"--site", "--server", "--user", "--password", "--tls", "--cd",
                                   "--yes", "--no", "--quiet"}) {
            EXPECT_NE(run.out.find(option), std::string::npos) << option;
        }
        EXPECT_NE(run.out.find("64"), std::string::npos) << "exit statuses are listed";
    }
}

TEST(CliProgram, HelpWinsOverTheRestOfTheLine) {
    CliRun run = RunCli({"--server", "example.org", "--help", "frobnicate"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Usage: brindleftp-cli"), std::string::npos);
}

TEST(CliProgram, UsageErrorsExit64WithOneLineOnStderr) {
    const std::vector<std::vector<std::string>> cases = {
        {"--bogus", "pwd"},                // unknown option
        {"frobnicate"},                    // unknown command
        {},                                // no command
        {"--site"},                        // option without its argument
        {"pwd", "--bogus"},                // unknown command option
        {"mv", "only-one"},                // too few arguments
        {"pwd", "extra"},                  // too many arguments
        {"download", "a"},                 // --to is required
        {"get", "a", "--append"},          // an option the command does not take
        {"--yes", "--no", "pwd"},          // contradicting answers
        {"--tls=1", "pwd"},                // a flag given a value
        {"--user", "a\nb", "frobnicate"},  // stays one line
    };
    for (const auto& args : cases) {
        std::string shown;
        for (const auto& arg : args) {
            shown += arg + " ";
        }
        CliRun run = RunCli(args);
        EXPECT_EQ(run.status, 64) << shown;
        EXPECT_TRUE(IsOneLine(run.err)) << shown << "-> " << run.err;
        EXPECT_EQ(run.out, "") << shown;
    }
}

TEST(CliProgram, UnknownCommandIsNamed) {
    CliRun run = RunCli({"frobnicate"});
    EXPECT_EQ(run.status, 64);
    EXPECT_NE(run.err.find("frobnicate"), std::string::npos);
}

TEST(CliCommandTable, HoldsEveryCommandOnceWithUsageAndDescription) {
    std::vector<std::string> names;
    for (const CliCommand& command : CliCommands()) {
        names.emplace_back(command.name);
        EXPECT_EQ(std::string(command.usage).rfind(command.name, 0), 0u) << command.name;
        EXPECT_STRNE(command.description, "") << command.name;
        EXPECT_NE(command.run, nullptr) << command.name;
        EXPECT_EQ(FindCliCommand(command.name), &command);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());
    EXPECT_EQ(names.size(), 17u);
    EXPECT_EQ(FindCliCommand("nope"), nullptr);
}

// --- the parser -----------------------------------------------------------------------------

CliOptions Parse(const std::vector<std::string>& args, const char* environmentPassword = nullptr) {
    CliOptions options;
    std::string error;
    EXPECT_TRUE(ParseCliOptions(args, environmentPassword, options, error)) << error;
    return options;
}

std::string ParseError(const std::vector<std::string>& args) {
    CliOptions options;
    std::string error;
    EXPECT_FALSE(ParseCliOptions(args, nullptr, options, error));
    return error;
}

TEST(ParseCliOptions, KeepsTheServerAsTypedWithItsPort) {
    struct Case {
        std::vector<std::string> args;
        std::string server;
    };
    const Case cases[] = {
        {{"--server", "ftp.example.com:2121", "pwd"}, "ftp.example.com:2121"},
        {{"--server=ftp.example.com:21", "pwd"}, "ftp.example.com:21"},
        {{"--server", "10.0.0.1", "pwd"}, "10.0.0.1"},
    };
    for (const Case& c : cases) {
        CliOptions options = Parse(c.args);
        ASSERT_TRUE(options.server.has_value());
        EXPECT_EQ(*options.server, c.server);
        EXPECT_EQ(options.command, "pwd");
    }
}

TEST(ParseCliOptions, ConnectionOptionsNotGivenStayEmpty) {
    CliOptions options = Parse({"pwd"});
    EXPECT_FALSE(options.site);
    EXPECT_FALSE(options.server);
    EXPECT_FALSE(options.user);
    EXPECT_FALSE(options.password);
    EXPECT_FALSE(options.changeDirectory);
    EXPECT_FALSE(options.tls);
    EXPECT_FALSE(options.quiet);
    EXPECT_EQ(options.answer, CliAnswer::kAsk);
}

TEST(ParseCliOptions, TakesEveryConnectionOption) {
    CliOptions options = Parse({"--site", "Home", "--server", "h", "--user", "bob", "--tls", "--cd",
                                "/pub", "--quiet", "ls", "docs"});
    EXPECT_EQ(options.site, "Home");
    EXPECT_EQ(options.user, "bob");
    EXPECT_EQ(options.changeDirectory, "/pub");
    EXPECT_TRUE(options.tls);
    EXPECT_TRUE(options.quiet);
    EXPECT_EQ(options.command, "ls");
    EXPECT_EQ(options.arguments, std::vector<std::string>{"docs"});
}

TEST(ParseCliOptions, PasswordOptionWinsOverTheEnvironment) {
    struct Case {
        std::vector<std::string> args;
        const char* environment;
        std::optional<std::string> password;
        PasswordSource source;
    };
    const Case cases[] = {
        {{"--password", "opt", "pwd"}, "env", "opt", PasswordSource::kOption},
        {{"--password", "opt", "pwd"}, nullptr, "opt", PasswordSource::kOption},
        {{"pwd"}, "env", "env", PasswordSource::kEnvironment},
        {{"pwd"}, "", "", PasswordSource::kEnvironment},  // set but empty: the empty password
        {{"pwd"}, nullptr, std::nullopt, PasswordSource::kNone},
        {{"--password", "-starts-with-dash", "pwd"},
         nullptr,
         "-starts-with-dash",
         PasswordSource::kOption},
        {{"--password=", "pwd"}, "env", "", PasswordSource::kOption},
    };
    for (const Case& c : cases) {
        CliOptions options = Parse(c.args, c.environment);
        EXPECT_EQ(options.password, c.password) << c.args[0];
        EXPECT_EQ(options.passwordSource, c.source) << c.args[0];
        EXPECT_EQ(options.PasswordGiven(), c.source != PasswordSource::kNone);
    }
}

TEST(ParseCliOptions, YesAndNoSetTheAnswer) {
    EXPECT_EQ(Parse({"--yes", "pwd"}).answer, CliAnswer::kYes);
    EXPECT_EQ(Parse({"--no", "pwd"}).answer, CliAnswer::kNo);
    EXPECT_EQ(Parse({"--yes", "--yes", "pwd"}).answer, CliAnswer::kYes);
    EXPECT_NE(ParseError({"--yes", "--no", "pwd"}), "");
}

TEST(ParseCliOptions, MissingOptionArgumentIsAUsageErrorNamingTheOption) {
    for (const char* option : {"--site", "--server", "--user", "--password", "--cd"}) {
        EXPECT_NE(ParseError({option}).find(option), std::string::npos) << option;
    }
    EXPECT_NE(ParseError({"download", "a", "--to"}).find("--to"), std::string::npos);
    EXPECT_NE(ParseError({"upload", "a", "--base"}).find("--base"), std::string::npos);
}

TEST(ParseCliOptions, UnknownOptionsAreUsageErrors) {
    EXPECT_NE(ParseError({"--bogus", "pwd"}).find("--bogus"), std::string::npos);
    EXPECT_NE(ParseError({"pwd", "-x"}).find("-x"), std::string::npos);
    // Connection options belong before the command.
    EXPECT_NE(ParseError({"pwd", "--quiet"}), "");
}

TEST(ParseCliOptions, CommandOptionsMayStandAnywhereAfterTheCommand) {
    CliOptions download = Parse({"download", "a", "--to", "/tmp/x", "b"});
    EXPECT_TRUE(download.HasCommandOption(kCliOptionTo));
    EXPECT_EQ(download.toFolder, "/tmp/x");
    EXPECT_EQ(download.arguments, (std::vector<std::string>{"a", "b"}));

    CliOptions rm = Parse({"rm", "-r", "dir"});
    EXPECT_TRUE(rm.HasCommandOption(kCliOptionRecursive));
    EXPECT_EQ(rm.arguments, std::vector<std::string>{"dir"});

    CliOptions put = Parse({"put", "local", "remote", "--append"});
    EXPECT_TRUE(put.HasCommandOption(kCliOptionAppend));
    EXPECT_FALSE(put.HasCommandOption(kCliOptionRecursive));

    CliOptions save = Parse({"site-save", "Home", "--remember-password"});
    EXPECT_TRUE(save.HasCommandOption(kCliOptionRememberPassword));

    CliOptions upload = Parse({"upload", "--base=/srv", "f"});
    EXPECT_EQ(upload.baseFolder, "/srv");
}

TEST(ParseCliOptions, DoubleDashEndsOptions) {
    CliOptions rm = Parse({"rm", "--", "-r"});
    EXPECT_FALSE(rm.HasCommandOption(kCliOptionRecursive));
    EXPECT_EQ(rm.arguments, std::vector<std::string>{"-r"});

    CliOptions command = Parse({"--", "pwd"});
    EXPECT_EQ(command.command, "pwd");

    // A lone "-" is an argument.
    EXPECT_EQ(Parse({"parse-list", "-"}).arguments, std::vector<std::string>{"-"});
}

TEST(ParseCliOptions, HelpNeedsNoCommand) {
    EXPECT_TRUE(Parse({"--help"}).help);
    EXPECT_TRUE(Parse({"-h"}).help);
    EXPECT_NE(ParseError({}), "");
}

TEST(CheckCommandLine, ChecksArgumentCountsAndOptions) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
    };
    const Case cases[] = {
        {{"pwd"}, true},
        {{"pwd", "x"}, false},
        {{"get", "a"}, true},
        {{"get", "a", "b"}, true},
        {{"get"}, false},
        {{"get", "a", "b", "c"}, false},
        {{"upload", "a", "b", "c", "d"}, true},
        {{"upload"}, false},
        {{"download", "a", "--to", "d"}, true},
        {{"download", "a"}, false},
        {{"rm", "-r", "a"}, true},
        {{"rmdir", "-r", "a"}, false},
        {{"put", "a", "--append"}, true},
        {{"site-save", "L", "--remember-password"}, true},
        {{"site-delete", "L", "--remember-password"}, false},
    };
    for (const Case& c : cases) {
        CliOptions options = Parse(c.args);
        const CliCommand* command = FindCliCommand(options.command);
        ASSERT_NE(command, nullptr);
        std::string error;
        EXPECT_EQ(CheckCommandLine(*command, options, error), c.ok) << c.args[0] << " " << error;
    }
}

}  // namespace
