// Listings, file facts, transfers, remote operations and the connection test against the real
// servers: pyftpdlib (MLSD, MLST, MDTM, SIZE, MFMT) and vsftpd (LIST, SIZE, MDTM; links listed
// with their targets); the data connections once more over TLS.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "ftp/connection_test.h"
#include "ftp/control_channel.h"
#include "ftp/current_directory.h"
#include "ftp/date_time.h"
#include "ftp/download.h"
#include "ftp/ftp_features.h"
#include "ftp/logon.h"
#include "ftp/remote_listing.h"
#include "ftp/remote_ops.h"
#include "ftp/server_features.h"
#include "ftp/upload.h"
#include "servers/real_server.h"
#include "support/scripted_ui.h"

namespace {

const std::string kCafe = "caf\xC3\xA9.txt";

std::string Bytes(std::size_t size) {
    std::string bytes;
    for (std::size_t i = 0; i < size; ++i) {
        bytes += static_cast<char>(i * 13 + i / 241);
    }
    return bytes;
}

// Logged on in the server's writable folder, which holds plain.txt (1234 bytes), café.txt,
// the folder "sub" and a link to plain.txt, dated two days ago at 37 seconds past a minute.
class Servers : public RealServerTest {
protected:
    void SetUp() override {
        RealServerTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        ASSERT_TRUE(server().MakeFile("plain.txt", std::string(1234, 'p'), mtime_) &&
                    server().MakeFile(kCafe, "hello", mtime_) && server().MakeFolder("sub"));
        ASSERT_EQ(symlink("plain.txt", server().Path("link").c_str()), 0);
        timespec times[2] = {{mtime_, 0}, {mtime_, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, server().Path("link").c_str(), times, AT_SYMLINK_NOFOLLOW),
                  0);
        iface_.StopAtProgress(1e9);  // an empty file's bar jumps past the end
        FtpConnectRequest request{&conn_, server().hostText(), server().user(), server().password(),
                                  server().tls()};
        ASSERT_EQ(FtpConnect(iface_, request), LPROCESS_OK);
        ASSERT_EQ(FtpChangeDirectory(iface_, conn_, server().remoteFolder()), LPROCESS_OK);
        ASSERT_EQ(FtpQueryFeatures(iface_, conn_), LPROCESS_OK);
    }
    void TearDown() override {
        EXPECT_TRUE(iface_.errors.empty());
        EXPECT_TRUE(conn_.fd < 0 || FtpQuit(iface_, conn_) == LPROCESS_OK) << "out of step";
    }
    // Each name's kind, size (files) and whether its time is the one set.
    std::map<std::string, std::string> Walk() {
        FtpDirList list(iface_, conn_);
        EXPECT_EQ(list.result, LPROCESS_OK);
        // LIST shows the minute, read as local time; MLSD the second in UTC.
        const time_t listed = server().IsPyftpd() ? mtime_ : mtime_ / 60 * 60 + GetTimeZoneBias();
        std::map<std::string, std::string> items;
        for (; !list.AtEnd(); list.Next()) {
            const bool link = list.IsLinkEntry();
            items[list.CurrentName()] =
                list.IsFolderEntry()
                    ? "folder"
                    : std::string(link ? "link " : "file ") + std::to_string(list.GetSize()) +
                          (list.GetModified() == listed ? " on time" : " late");
        }
        return items;
    }
    std::string Download(const std::string& name) {
        std::string error;
        EXPECT_EQ(FtpDownloadFile(iface_, conn_, name, local_.File(name), &error), LPROCESS_OK)
            << error;
        return ReadWholeFile(local_.File(name));
    }
    std::string Upload(const std::string& name, const std::string& bytes, bool append = false) {
        EXPECT_TRUE(WriteWholeFile(local_.File(name), bytes));
        std::string error;
        EXPECT_EQ(FtpUploadFile(iface_, conn_, name, local_.File(name), &error, append),
                  LPROCESS_OK)
            << error;
        return ReadWholeFile(server().Path(name));
    }

    const time_t mtime_ = (std::time(nullptr) - 2 * 86400) / 60 * 60 + 37;
    RecordingProcessInterface iface_;
    LSecureSocket conn_;
    TempFolder local_;
};

TEST_P(Servers, ListsAndLooksUpThroughEveryFallBack) {
    std::map<std::string, std::string> expected = {
        {kCafe, "file 5 on time"}, {"plain.txt", "file 1234 on time"}, {"sub", "folder"}};
    // MLSD lists a link as what it points to; LIST as a link, named with its target.
    expected[server().IsPyftpd() ? "link" : "link -> plain.txt"] =
        server().IsPyftpd() ? "file 1234 on time" : "link 9 on time";
    EXPECT_EQ(Walk(), expected);
    constexpr std::uint32_t kLookUps =
        kFeatSize | kFeatMdtm | kFeatMlstModify | kFeatMlstSize | kFeatMlstType | kFeatMlsd;
    // What the server offers, then SIZE and MDTM alone, then (vsftpd) LIST alone.
    std::vector<std::uint32_t> offers = {conn_.features & kLookUps, kFeatSize | kFeatMdtm};
    if (!server().IsPyftpd()) {
        offers.push_back(0);
    }
    for (std::uint32_t offered : offers) {
        SCOPED_TRACE(offered);
        conn_.features = (conn_.features & ~kLookUps) | offered;
        std::uint64_t size = 0;
        EXPECT_EQ(FtpGetFileSize(iface_, conn_, kCafe, size), LPROCESS_OK);
        EXPECT_EQ(size, 5u);
        int kind = -1;
        EXPECT_EQ(FtpGetItemType(iface_, conn_, "sub", kind), LPROCESS_OK);
        EXPECT_EQ(kind, kItemFolder);
        time_t time = 0;
        EXPECT_EQ(FtpGetFileTime(iface_, conn_, "plain.txt", time), LPROCESS_OK);
        EXPECT_EQ(time, offered ? mtime_ : mtime_ / 60 * 60 + GetTimeZoneBias());
        EXPECT_EQ(FtpGetFileSizeQuiet(iface_, conn_, "missing.txt"), 0u);
    }
}

TEST_P(Servers, TransfersFilesByteForByte) {
    for (std::size_t size : {std::size_t{0}, std::size_t{3000}, std::size_t{3000000}}) {
        const std::string name = "file-" + std::to_string(size);
        ASSERT_TRUE(server().MakeFile(name, Bytes(size)));
        EXPECT_TRUE(Download(name) == Bytes(size)) << size;
        EXPECT_TRUE(Upload("up-" + name, Bytes(size)) == Bytes(size)) << size;
    }
    ASSERT_TRUE(server().MakeFile("resume.bin", std::string(4000, 'x')));
    EXPECT_TRUE(Upload("resume.bin", Bytes(10000), true) ==
                std::string(4000, 'x') + Bytes(10000).substr(4000))
        << "a resumed upload sends only the tail";
    EXPECT_EQ(Upload("plain.txt", "new"), "new");
    EXPECT_TRUE(Upload("fresh.bin", Bytes(5000), true) == Bytes(5000));
    std::string error;
    EXPECT_EQ(FtpDownloadFile(iface_, conn_, "absent", local_.File("absent"), &error),
              LPROCESS_FAILED);
    EXPECT_NE(error, "");
    EXPECT_EQ(ReadWholeFile(local_.File("absent")), "");
    // The remote file takes the local time where the server offers MFMT.
    ASSERT_TRUE(WriteWholeFile(local_.File("dated.txt"), "dated"));
    timespec times[2] = {{1614834367, 0}, {1614834367, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, local_.File("dated.txt").c_str(), times, 0), 0);
    ASSERT_EQ(FtpUploadFile(iface_, conn_, "dated.txt", local_.File("dated.txt"), nullptr, false),
              LPROCESS_OK);
    struct stat info {};
    ASSERT_EQ(stat(server().Path("dated.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtime == 1614834367, server().IsPyftpd());
}

// A transfer stopped halfway keeps the local file and leaves the session in step.
TEST_P(Servers, StaysInStepAfterStoppedTransfers) {
    const std::string bytes = Bytes(10 << 20);
    ASSERT_TRUE(server().MakeFile("big.bin", bytes) &&
                WriteWholeFile(local_.File("big.bin"), "mine") &&
                WriteWholeFile(local_.File("up.bin"), bytes));
    RecordingProcessInterface down, up;
    down.StopAtProgress(0.5);
    up.StopAtProgress(0.5);
    EXPECT_EQ(FtpDownloadFile(down, conn_, "big.bin", local_.File("big.bin")), LPROCESS_STOPPED);
    EXPECT_EQ(ReadWholeFile(local_.File("big.bin")), "mine");
    EXPECT_EQ(FtpUploadFile(up, conn_, "up.bin", local_.File("up.bin"), nullptr, false),
              LPROCESS_STOPPED);
    int code = 0;
    std::string text;
    EXPECT_EQ(FtpExchange(iface_, conn_, "PWD\r\n", code, text), LPROCESS_OK);
    EXPECT_EQ(code, 257) << text;
    // The whole file, shown in whole percents from 0 to 100 and never once per block.
    RecordingProcessInterface shown;
    EXPECT_EQ(FtpDownloadFile(shown, conn_, "big.bin", local_.File("big.bin")), LPROCESS_OK);
    EXPECT_TRUE(ReadWholeFile(local_.File("big.bin")) == bytes);
    const std::vector<std::string> texts = shown.TextsOnLine(1);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.front(), "big.bin:  0%");
    EXPECT_EQ(texts.back(), "big.bin: 100%");
    EXPECT_LE(texts.size(), 101u);
    EXPECT_LE(shown.progress.size(), 101u);
    EXPECT_EQ(shown.progress.back(), 1.0);
}

TEST_P(Servers, ChangesTheRemoteFolder) {
    ASSERT_TRUE(server().MakeFolder("tree") && server().MakeFolder("tree/inner") &&
                server().MakeFile("tree/inner/b.txt", "b") && server().MakeFile("tree/a.txt", "a"));
    EXPECT_EQ(FtpDeleteTree(iface_, conn_, "tree"), LPROCESS_OK);
    struct stat info {};
    EXPECT_NE(lstat(server().Path("tree").c_str(), &info), 0);
    EXPECT_EQ(FtpMakeDirectory(iface_, conn_, "made"), LPROCESS_OK);
    EXPECT_EQ(FtpRename(iface_, conn_, kCafe, "made/moved.txt"), LPROCESS_OK);
    EXPECT_EQ(ReadWholeFile(server().Path("made/moved.txt")), "hello");
    EXPECT_TRUE(FtpFileExists(iface_, conn_, "plain.txt"));
    EXPECT_FALSE(FtpFileExists(iface_, conn_, kCafe));
    EXPECT_EQ(FtpDeleteFile(iface_, conn_, "made/moved.txt"), LPROCESS_OK);
    EXPECT_EQ(FtpRemoveDirectory(iface_, conn_, "made"), LPROCESS_OK);
    EXPECT_NE(stat(server().Path("made").c_str(), &info), 0);
}

TEST_P(Servers, RunsTheConnectionTest) {
    struct Case {
        std::string user, password, directory;
        std::uint32_t result;
    };
    const std::string folder = server().remoteFolder();
    for (const Case& c :
         {Case{server().user(), server().password(), folder, kTestPassed},
          Case{server().user(), server().password(), "missing", kTestDirectoryRefused},
          Case{server().IsPyftpd() ? "test" : "someone", "wrong", "", kTestLogonFailed}}) {
        SCOPED_TRACE(c.directory + c.user);
        FtpTestReport report{server().hostText(), c.user,           c.password, c.directory,
                             server().tls(),      kTestNotFinished, ""};
        RecordingProcessInterface iface;
        EXPECT_EQ(FtpTestReadWrite(iface, report), LPROCESS_OK);
        EXPECT_EQ(report.result, c.result) << report.report;
    }
    struct stat info {};
    EXPECT_NE(stat(server().Path("_ftptest").c_str(), &info), 0) << "the test file is deleted";
}

INSTANTIATE_TEST_SUITE_P(Servers, Servers, testing::ValuesIn(kPlainServers), ServerCaseName);

// Over TLS the data connections are protected and must resume the control session.
class TlsServers : public Servers {};
TEST_P(TlsServers, ListsAndTransfers) {
    EXPECT_TRUE(Upload("up.bin", Bytes(3000)) == Bytes(3000));
    EXPECT_EQ(Walk().size(), 5u);
    ASSERT_TRUE(server().MakeFile("big.bin", Bytes(300000)));
    EXPECT_TRUE(Download("big.bin") == Bytes(300000));
}
INSTANTIATE_TEST_SUITE_P(Servers, TlsServers, testing::Values(kAllServers[1], kAllServers[3]),
                         ServerCaseName);

// Logged on by "[::1]:PORT"; the data connections come by EPSV, as no 227 reply can name an
// IPv6 address.
class Ipv6Servers : public Servers {};
TEST_P(Ipv6Servers, ListsAndTransfersThroughExtendedPassive) {
    EXPECT_EQ(Walk().size(), 4u);
    EXPECT_TRUE(Download("plain.txt") == std::string(1234, 'p'));
    EXPECT_TRUE(Upload("up.bin", Bytes(300000)) == Bytes(300000));
}
INSTANTIATE_TEST_SUITE_P(Servers, Ipv6Servers, testing::ValuesIn(kIpv6Servers), ServerCaseName);

}  // namespace
