// Downloads and uploads against real servers, plain and TLS: pyftpdlib (MLST, SIZE, MFMT) and
// vsftpd (SIZE, no MLST or MFMT; TLS data connections must resume the control session).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <ostream>
#include <string>

#include "ftp/control_channel.h"
#include "ftp/download.h"
#include "ftp/logon.h"
#include "ftp/upload.h"
#include "servers/pyftpd_fixture.h"
#include "servers/vsftpd_fixture.h"
#include "support/elapsed.h"
#include "support/scripted_ui.h"

namespace {

std::string PatternBytes(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    unsigned value = seed;
    for (std::size_t i = 0; i < size; ++i) {
        value = value * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(value >> 16);
    }
    return bytes;
}

struct ServerCase {
    const char* name;
    bool vsftpd;
    bool tls;
};

void PrintTo(const ServerCase& c, std::ostream* os) {
    *os << c.name;
}

// One running server, with a folder the session may write to: the user's root on pyftpdlib,
// "pub" on vsftpd.
class TransferServers : public testing::TestWithParam<ServerCase> {
protected:
    void SetUp() override {
        const ServerCase& c = GetParam();
        std::string why;
        if (c.vsftpd) {
            VsftpdServer::Options options;
            options.tls = c.tls;
            vsftpd_ = std::make_unique<VsftpdServer>(options);
            if (!vsftpd_->Start(&why) && why == "vsftpd needs root") {
                GTEST_SKIP() << why;
            }
            ASSERT_TRUE(why.empty()) << why;
            host_ = vsftpd_->hostText();
            user_ = "anonymous";
            folderOnDisk_ = vsftpd_->pub();
            remoteFolder_ = "pub/";
        } else {
            PyFtpdServer::Options options;
            options.tls = c.tls;
            pyftpd_ = std::make_unique<PyFtpdServer>(options);
            ASSERT_TRUE(pyftpd_->Start(&why)) << why;
            host_ = pyftpd_->hostText();
            user_ = "test";
            password_ = "secret";
            folderOnDisk_ = pyftpd_->root();
        }
        FtpConnectRequest request{&connection_, host_, user_, password_, c.tls};
        ASSERT_EQ(FtpConnect(iface_, request), LPROCESS_OK);
        ASSERT_EQ(connection_.ssl != nullptr, c.tls);
    }
    void TearDown() override {
        if (connection_.fd >= 0) {
            EXPECT_EQ(FtpQuit(iface_, connection_), LPROCESS_OK)
                << "the control connection is no longer usable";
        }
        EXPECT_TRUE(iface_.errors.empty());
    }

    std::string OnDisk(const std::string& name) const { return folderOnDisk_ + "/" + name; }
    std::string Remote(const std::string& name) const { return remoteFolder_ + name; }
    // A file the server's user may read and write.
    void PutOnServer(const std::string& name, const std::string& bytes) {
        ASSERT_TRUE(WriteWholeFile(OnDisk(name), bytes));
        ASSERT_EQ(chmod(OnDisk(name).c_str(), 0666), 0);
    }

    std::unique_ptr<PyFtpdServer> pyftpd_;
    std::unique_ptr<VsftpdServer> vsftpd_;
    std::string host_;
    std::string user_;
    std::string password_;
    std::string folderOnDisk_;
    std::string remoteFolder_;
    LSecureSocket connection_;
    RecordingProcessInterface iface_;
    TempFolder local_;
};

const std::size_t kFiftyMegabytes = 50u * 1000u * 1000u;

TEST_P(TransferServers, DownloadsEmptySmallAndLargeFilesByteForByte) {
    for (std::size_t size : {std::size_t{0}, std::size_t{3000}, kFiftyMegabytes}) {
        SCOPED_TRACE(size);
        const std::string name = "down-" + std::to_string(size) + ".bin";
        const std::string bytes = PatternBytes(size, static_cast<unsigned>(size));
        PutOnServer(name, bytes);
        std::string errorText = "stale";
        ASSERT_EQ(FtpDownloadFile(iface_, connection_, Remote(name), local_.File(name), &errorText),
                  LPROCESS_OK)
            << errorText;
        EXPECT_EQ(errorText, "");
        EXPECT_TRUE(ReadWholeFile(local_.File(name)) == bytes) << "the copy differs";
        if (size == kFiftyMegabytes) {
            EXPECT_GE(iface_.progress.back(), 0.99);
        }
    }
}

TEST_P(TransferServers, UploadsEmptySmallAndLargeFilesByteForByte) {
    for (std::size_t size : {std::size_t{0}, std::size_t{3000}, kFiftyMegabytes}) {
        SCOPED_TRACE(size);
        const std::string name = "up-" + std::to_string(size) + ".bin";
        const std::string bytes = PatternBytes(size, static_cast<unsigned>(size) + 1);
        ASSERT_TRUE(WriteWholeFile(local_.File(name), bytes));
        std::string errorText = "stale";
        ASSERT_EQ(
            FtpUploadFile(iface_, connection_, Remote(name), local_.File(name), &errorText, false),
            LPROCESS_OK)
            << errorText;
        EXPECT_EQ(errorText, "");
        EXPECT_TRUE(ReadWholeFile(OnDisk(name)) == bytes) << "the server's copy differs";
    }
}

TEST_P(TransferServers, AnUploadReplacesAnExistingFile) {
    PutOnServer("replace.txt", "an older and longer text");
    ASSERT_TRUE(WriteWholeFile(local_.File("replace.txt"), "new"));
    ASSERT_EQ(FtpUploadFile(iface_, connection_, Remote("replace.txt"), local_.File("replace.txt"),
                            nullptr, false),
              LPROCESS_OK);
    EXPECT_EQ(ReadWholeFile(OnDisk("replace.txt")), "new");
}

TEST_P(TransferServers, AResumedUploadSendsOnlyTheTail) {
    const std::string bytes = PatternBytes(10000, 7);
    ASSERT_TRUE(WriteWholeFile(local_.File("resume.bin"), bytes));
    // What the server holds differs from the local start, so a resent start would show.
    const std::string head(4000, 'x');
    PutOnServer("resume.bin", head);
    auto start = std::chrono::steady_clock::now();
    std::string errorText;
    ASSERT_EQ(FtpUploadFile(iface_, connection_, Remote("resume.bin"), local_.File("resume.bin"),
                            &errorText, true),
              LPROCESS_OK)
        << errorText;
    // No time-out was waited out on the way.
    EXPECT_LT(SecondsSince(start), 30.0);
    EXPECT_TRUE(ReadWholeFile(OnDisk("resume.bin")) == head + bytes.substr(4000))
        << "the server's file has " << ReadWholeFile(OnDisk("resume.bin")).size() << " bytes";
    if (vsftpd_) {
        // vsftpd's own transfer log counts the bytes that came over the data connection.
        const std::string log = vsftpd_->LogText();
        EXPECT_NE(log.find("OK UPLOAD: Client \"127.0.0.1\", \"/pub/resume.bin\", 6000 bytes"),
                  std::string::npos)
            << log;
    }
}

TEST_P(TransferServers, AppendingToAMissingFileSendsTheWholeFile) {
    const std::string bytes = PatternBytes(5000, 3);
    ASSERT_TRUE(WriteWholeFile(local_.File("fresh.bin"), bytes));
    ASSERT_EQ(FtpUploadFile(iface_, connection_, Remote("fresh.bin"), local_.File("fresh.bin"),
                            nullptr, true),
              LPROCESS_OK);
    EXPECT_TRUE(ReadWholeFile(OnDisk("fresh.bin")) == bytes);
}

TEST_P(TransferServers, SetsTheRemoteTimeWhereTheServerOffersMfmt) {
    const std::string path = local_.File("dated.txt");
    ASSERT_TRUE(WriteWholeFile(path, "dated"));
    // 2021-03-04 05:06:07 UTC
    const time_t modified = 1614834367;
    timespec times[2] = {{modified, 0}, {modified, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    ASSERT_EQ(FtpUploadFile(iface_, connection_, Remote("dated.txt"), path, nullptr, false),
              LPROCESS_OK);
    struct stat info {};
    ASSERT_EQ(stat(OnDisk("dated.txt").c_str(), &info), 0);
    if (pyftpd_) {
        EXPECT_EQ(info.st_mtime, modified);
    } else {
        // vsftpd offers no MFMT, so none is sent and the file keeps the upload's time.
        EXPECT_NE(info.st_mtime, modified);
        EXPECT_EQ(vsftpd_->LogText().find("MFMT"), std::string::npos);
    }
}

TEST_P(TransferServers, AMissingRemoteFileFailsWithTheServersTextAndAnEmptyLocalFile) {
    const std::string localPath = local_.File("absent.bin");
    std::string errorText;
    EXPECT_EQ(FtpDownloadFile(iface_, connection_, Remote("absent.bin"), localPath, &errorText),
              LPROCESS_FAILED);
    EXPECT_FALSE(errorText.empty());
    EXPECT_EQ(ReadWholeFile(localPath), "");
    struct stat info {};
    EXPECT_EQ(stat(localPath.c_str(), &info), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Servers, TransferServers,
    testing::Values(ServerCase{"Pyftpdlib", false, false}, ServerCase{"PyftpdlibTls", false, true},
                    ServerCase{"Vsftpd", true, false}, ServerCase{"VsftpdTls", true, true}),
    [](const testing::TestParamInfo<ServerCase>& info) { return info.param.name; });

}  // namespace
