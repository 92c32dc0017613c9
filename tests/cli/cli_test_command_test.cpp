// test: the connection test's report as the user sees it, its outcome code and the exit status,
// against pyftpdlib and vsftpd, plain and over TLS.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cli/cli_remote_server.h"
#include "settings/ftp_account.h"
#include "support/cli_runner.h"

namespace {

using CliTest = RemoteCommandTest;

// The report's opening lines up to the listing, for the session the server case opens.
std::string ReportStart(RemoteServer& server) {
    std::string start = "Server \"" + server.hostText() + "\" is OK.\nLogon details are OK.\n";
    if (!server.IsPyftpd()) {
        start += "Directory changed OK.\n";  // --cd pub is the start directory
    }
    return start + "Current directory is: " + server.remoteFolder() + "\n";
}

TEST_P(CliTest, GoodSiteReportsEveryStepAndLeavesNothingBehind) {
    ASSERT_TRUE(server().MakeFile("only.txt", "x"));
    CliRun run = server().Run({"test"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, ReportStart(server()) +
                           "Contains: only.txt\n"
                           "File uploaded OK.\n"
                           "File deleted OK.\n"
                           "result=1\n");
    EXPECT_EQ(run.err, "");
    struct stat info {};
    EXPECT_NE(stat(server().Path("_ftptest").c_str(), &info), 0) << "the test file stayed";
}

TEST_P(CliTest, EmptyFolderHasNoFiles) {
    CliRun run = server().Run({"test"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, ReportStart(server()) +
                           "Contains: [no files]\n"
                           "File uploaded OK.\n"
                           "File deleted OK.\n"
                           "result=1\n");
}

TEST_P(CliTest, MissingStartFolderIsReportedAndFails) {
    CliRun run = server().Run({"test", "no-such-folder"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "Server \"" + server().hostText() +
                           "\" is OK.\n"
                           "Logon details are OK.\n"
                           "Unable to change to the directory \"no-such-folder\".\n"
                           "result=4\n");
}

TEST_P(CliTest, RefusedLogonIsReportedAndFails) {
    // pyftpdlib refuses the wrong password; the anonymous vsftpd knows no other user.
    std::vector<std::string> args = server().Args({"test"}, "wrong-password");
    std::string user = server().user();
    if (!server().IsPyftpd()) {
        user = "nobody-here";
        args[3] = user;
    }
    CliRun run = RunCli(args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "Server \"" + server().hostText() +
                           "\" is OK.\n"
                           "Unable to logon with username \"" +
                           user + "\" or entered password.\nresult=3\n");
}

INSTANTIATE_TEST_SUITE_P(Servers, CliTest, testing::ValuesIn(kServerCases), ServerCaseName);

TEST(CliTestListing, ReportsAtMostTwentyNames) {
    PyFtpdServer server;
    std::string why;
    ASSERT_TRUE(server.Start(&why)) << why;
    for (int i = 0; i < 25; ++i) {
        ASSERT_TRUE(WriteWholeFile(server.root() + "/f" + std::to_string(i), ""));
    }
    CliRun run =
        RunCli({"--server", server.hostText(), "--user", "test", "--password", "secret", "test"});
    EXPECT_EQ(run.status, 0) << run.err;
    std::size_t contains = run.out.find("Contains:");
    ASSERT_NE(contains, std::string::npos) << run.out;
    std::string line = run.out.substr(contains, run.out.find('\n', contains) - contains);
    EXPECT_EQ(std::count(line.begin(), line.end(), ' '), 20) << line;
}

TEST(CliTestSite, StoredSiteGivesServerUserPasswordAndTls) {
    PyFtpdServer::Options options;
    options.tls = true;
    options.tlsRequired = true;
    PyFtpdServer server(options);
    std::string why;
    ASSERT_TRUE(server.Start(&why)) << why;
    FtpAccount account;
    account.label = "Test Command Site";
    account.server = server.hostText();
    account.userName = "test";
    account.password = "secret";
    account.rememberPassword = true;
    account.useSsl = true;
    ASSERT_TRUE(SaveFtpAccount("", account));

    CliRun run = RunCli({"--site", "Test Command Site", "test"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')), "Server \"" + server.hostText() + "\" is OK.");
    EXPECT_EQ(run.out.substr(run.out.size() - 9), "result=1\n") << run.out;

    // No report without a site to test.
    run = RunCli({"--site", "No Such Site", "test"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("No Such Site"), std::string::npos) << run.err;
}

}  // namespace
