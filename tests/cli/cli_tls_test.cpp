// `--tls` from the command line against both real TLS servers.
#include <gtest/gtest.h>

#include <string>

#include "servers/pyftpd_fixture.h"
#include "servers/vsftpd_fixture.h"
#include "support/cli_runner.h"

namespace {

TEST(CliTls, PwdWorksAgainstPyftpdlibThatRequiresTls) {
    PyFtpdServer::Options options;
    options.tls = true;
    options.tlsRequired = true;  // a plain logon would be refused
    PyFtpdServer server(options);
    std::string why;
    ASSERT_TRUE(server.Start(&why)) << why;
    CliRun run = RunCli({"--server", server.hostText(), "--user", "test", "--password", "secret",
                         "--tls", "pwd"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "/\n");
}

TEST(CliTls, PwdWorksAgainstVsftpdOverTls) {
    VsftpdServer::Options options;
    options.tls = true;
    VsftpdServer server(options);
    std::string why;
    if (!server.Start(&why) && why == "vsftpd needs root") {
        GTEST_SKIP() << why;
    }
    ASSERT_TRUE(why.empty()) << why;
    CliRun run = RunCli({"--server", server.hostText(), "--tls", "pwd"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "/\n");
    std::string log = server.LogText();
    EXPECT_NE(log.find("AUTH TLS"), std::string::npos) << log;
    EXPECT_NE(log.find("234"), std::string::npos) << log;
}

}  // namespace
