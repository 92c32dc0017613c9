// The session engine against a real pyftpdlib server.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ftp/control_channel.h"
#include "ftp/current_directory.h"
#include "ftp/ftp_features.h"
#include "ftp/logon.h"
#include "ftp/passive.h"
#include "ftp/server_features.h"
#include "servers/pyftpd_fixture.h"
#include "support/scripted_ui.h"

namespace {

class PyftpdSession : public testing::Test {
protected:
    void SetUp() override {
        std::string why;
        ASSERT_TRUE(server_.Start(&why)) << why;
        ASSERT_EQ(FtpLogon(iface_, connection_, server_.hostText(), "test", "secret", false),
                  LPROCESS_OK);
    }

    PyFtpdServer server_;
    RecordingProcessInterface iface_;
    LSecureSocket connection_;
};

TEST_F(PyftpdSession, StartsAtTheRootAndChangesIntoAFolderAndBack) {
    ASSERT_EQ(mkdir((server_.root() + "/sub").c_str(), 0755), 0);
    std::string path;
    ASSERT_EQ(FtpGetCurrentDirectory(iface_, connection_, path), LPROCESS_OK);
    EXPECT_EQ(path, "/");
    std::string directory = "sub";
    ASSERT_EQ(FtpChangeDirectoryStep(iface_, connection_, directory), LPROCESS_OK);
    EXPECT_EQ(directory, "/sub");
    directory = "..";
    ASSERT_EQ(FtpChangeDirectoryStep(iface_, connection_, directory), LPROCESS_OK);
    EXPECT_EQ(directory, "/");
    directory = "missing";
    EXPECT_EQ(FtpChangeDirectoryStep(iface_, connection_, directory), LPROCESS_FAILED);
    EXPECT_EQ(iface_.errors, std::vector<std::string>{"Unable to change to the directory."});
}

TEST_F(PyftpdSession, LearnsTheOfferedFeatures) {
    ASSERT_EQ(FtpQueryFeatures(iface_, connection_), LPROCESS_OK);
    // pyftpdlib offers MLSD without listing it in FEAT.
    EXPECT_EQ(connection_.features, kFeatQueried | kFeatSize | kFeatMdtm | kFeatMfmt |
                                        kFeatMlstType | kFeatMlstSize | kFeatMlstModify);
    ASSERT_EQ(FtpPrepareDirStyle(iface_, connection_), LPROCESS_OK);
    EXPECT_EQ(connection_.features & (kFeatSystAsked | kFeatWindowsNt), kFeatSystAsked);
}

TEST_F(PyftpdSession, ListsThroughADataCommand) {
    ASSERT_TRUE(WriteWholeFile(server_.root() + "/hello.txt", "hello"));
    std::vector<std::string> pieces;
    ASSERT_EQ(FtpDataCommand(iface_, connection_, "LIST\r\n", pieces), LPROCESS_OK);
    std::string joined;
    for (const std::string& piece : pieces) {
        joined += piece;
    }
    EXPECT_NE(joined.find("hello.txt"), std::string::npos) << joined;
    // The control connection is ready for the next command.
    std::string path;
    EXPECT_EQ(FtpGetCurrentDirectory(iface_, connection_, path), LPROCESS_OK);
}

TEST_F(PyftpdSession, QuitsAndCloses) {
    EXPECT_EQ(FtpQuit(iface_, connection_), LPROCESS_OK);
    EXPECT_EQ(connection_.fd, -1);
}

TEST(PyftpdLogon, ReportsAWrongPassword) {
    PyFtpdServer server;
    std::string why;
    ASSERT_TRUE(server.Start(&why)) << why;
    LSecureSocket connection;
    FtpConnectRequest request{&connection, server.hostText(), "test", "wrong", false};
    RecordingProcessInterface iface;
    EXPECT_EQ(FtpConnect(iface, request), LPROCESS_FAILED);
    EXPECT_EQ(iface.errors, std::vector<std::string>{"Unable to log onto server."});
}

}  // namespace
