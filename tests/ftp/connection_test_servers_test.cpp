// The whole connection test against real servers: pyftpdlib (MLSD listings) and vsftpd (LIST
// only, anonymous with a writable "pub"), plain and with TLS.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ftp/connection_test.h"
#include "servers/pyftpd_fixture.h"
#include "servers/vsftpd_fixture.h"
#include "support/scripted_ui.h"

namespace {

struct TestRun {
    FtpTestReport report;
    LProcessResult result = LPROCESS_FAILED;
};

TestRun RunTest(const std::string& host, const std::string& user, const std::string& password,
                const std::string& directory, bool useTls) {
    TestRun run;
    run.report.host = host;
    run.report.user = user;
    run.report.password = password;
    run.report.directory = directory;
    run.report.useTls = useTls;
    RecordingProcessInterface iface;
    run.result = FtpTestReadWrite(iface, run.report);
    EXPECT_TRUE(iface.errors.empty());
    return run;
}

std::string Passed(const std::string& host, const std::string& afterLogon) {
    return "Server \"" + host + "\" is OK.\r\nLogon details are OK.\r\n" + afterLogon +
           "File uploaded OK.\r\nFile deleted OK.\r\n";
}

bool Exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

class PyftpdConnectionTest : public testing::TestWithParam<bool> {
protected:
    void StartServer() {
        PyFtpdServer::Options options;
        options.tls = GetParam();
        server_ = std::make_unique<PyFtpdServer>(options);
        std::string why;
        ASSERT_TRUE(server_->Start(&why)) << why;
    }
    TestRun Run(const std::string& password, const std::string& directory) {
        return RunTest(server_->hostText(), "test", password, directory, GetParam());
    }

    std::unique_ptr<PyFtpdServer> server_;
};

TEST_P(PyftpdConnectionTest, AGoodSitePassesEveryStep) {
    StartServer();
    ASSERT_TRUE(WriteWholeFile(server_->root() + "/a.txt", "a"));
    TestRun run = Run("secret", "");
    EXPECT_EQ(run.result, LPROCESS_OK);
    EXPECT_EQ(run.report.result, kTestPassed);
    EXPECT_EQ(run.report.report,
              Passed(server_->hostText(), "Current directory is: /\r\nContains: a.txt\r\n"));
    EXPECT_FALSE(Exists(server_->root() + "/_ftptest"));
}

TEST_P(PyftpdConnectionTest, AnEmptyStartFolderHasNoFiles) {
    StartServer();
    ASSERT_EQ(mkdir((server_->root() + "/empty").c_str(), 0755), 0);
    TestRun run = Run("secret", "empty");
    EXPECT_EQ(run.report.result, kTestPassed);
    EXPECT_EQ(run.report.report, Passed(server_->hostText(),
                                        "Directory changed OK.\r\nCurrent directory is: /empty\r\n"
                                        "Contains: [no files]\r\n"));
    EXPECT_FALSE(Exists(server_->root() + "/empty/_ftptest"));
}

TEST_P(PyftpdConnectionTest, AWrongPasswordFailsTheLogon) {
    StartServer();
    TestRun run = Run("wrong", "");
    EXPECT_EQ(run.result, LPROCESS_OK);
    EXPECT_EQ(run.report.result, kTestLogonFailed);
    EXPECT_EQ(run.report.report,
              "Server \"" + server_->hostText() +
                  "\" is OK.\r\nUnable to logon with username \"test\" or entered password.");
}

TEST_P(PyftpdConnectionTest, AMissingStartFolderIsRefused) {
    StartServer();
    TestRun run = Run("secret", "missing");
    EXPECT_EQ(run.result, LPROCESS_OK);
    EXPECT_EQ(run.report.result, kTestDirectoryRefused);
    EXPECT_EQ(run.report.report, "Server \"" + server_->hostText() +
                                     "\" is OK.\r\nLogon details are OK.\r\n"
                                     "Unable to change to the directory \"missing\".");
}

INSTANTIATE_TEST_SUITE_P(PlainAndTls, PyftpdConnectionTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "Tls" : "Plain";
                         });

class VsftpdConnectionTest : public testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        VsftpdServer::Options options;
        options.tls = GetParam();
        server_ = std::make_unique<VsftpdServer>(options);
        std::string why;
        if (!server_->Start(&why) && why == "vsftpd needs root") {
            GTEST_SKIP() << why;
        }
        ASSERT_TRUE(why.empty()) << why;
    }
    TestRun Run(const std::string& user, const std::string& directory) {
        return RunTest(server_->hostText(), user, "", directory, GetParam());
    }

    std::unique_ptr<VsftpdServer> server_;
};

TEST_P(VsftpdConnectionTest, AGoodSitePassesEveryStepAndLogsOff) {
    ASSERT_TRUE(WriteWholeFile(server_->pub() + "/readme.txt", "r"));
    TestRun run = Run("anonymous", "pub");
    EXPECT_EQ(run.result, LPROCESS_OK);
    EXPECT_EQ(run.report.result, kTestPassed);
    EXPECT_EQ(run.report.report, Passed(server_->hostText(),
                                        "Directory changed OK.\r\nCurrent directory is: /pub\r\n"
                                        "Contains: readme.txt\r\n"));
    EXPECT_FALSE(Exists(server_->pub() + "/_ftptest"));
    EXPECT_NE(server_->LogText().find("\"QUIT\""), std::string::npos) << server_->LogText();
}

TEST_P(VsftpdConnectionTest, AnEmptyStartFolderHasNoFiles) {
    TestRun run = Run("anonymous", "pub");
    EXPECT_EQ(run.report.result, kTestPassed);
    EXPECT_EQ(run.report.report, Passed(server_->hostText(),
                                        "Directory changed OK.\r\nCurrent directory is: /pub\r\n"
                                        "Contains: [no files]\r\n"));
}

TEST_P(VsftpdConnectionTest, AReadOnlyFolderFailsTheUpload) {
    TestRun run = Run("anonymous", "");
    EXPECT_EQ(run.result, LPROCESS_OK);
    EXPECT_EQ(run.report.result, kTestUploadFailed);
    EXPECT_EQ(run.report.report, "Server \"" + server_->hostText() +
                                     "\" is OK.\r\nLogon details are OK.\r\n"
                                     "Current directory is: /\r\nContains: pub\r\n"
                                     " Unable to upload to the server.");
}

TEST_P(VsftpdConnectionTest, AnUnknownUserFailsTheLogon) {
    // The anonymous-only server refuses every other user name.
    TestRun run = Run("someone", "");
    EXPECT_EQ(run.report.result, kTestLogonFailed);
    EXPECT_EQ(run.report.report,
              "Server \"" + server_->hostText() +
                  "\" is OK.\r\nUnable to logon with username \"someone\" or entered password.");
}

TEST_P(VsftpdConnectionTest, AMissingStartFolderIsRefused) {
    TestRun run = Run("anonymous", "missing");
    EXPECT_EQ(run.report.result, kTestDirectoryRefused);
    EXPECT_EQ(run.report.report, "Server \"" + server_->hostText() +
                                     "\" is OK.\r\nLogon details are OK.\r\n"
                                     "Unable to change to the directory \"missing\".");
}

INSTANTIATE_TEST_SUITE_P(PlainAndTls, VsftpdConnectionTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "Tls" : "Plain";
                         });

}  // namespace
