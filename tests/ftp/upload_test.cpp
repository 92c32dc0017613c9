// Uploads against scripted control and data peers: the commands in their order, the bytes the
// data connection carries (all of them, or only the tail of a resumed file), the progress, the
// fall-back from APPE to STOR, the final replies and MFMT.
#include "ftp/upload.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "ftp/ftp_features.h"
#include "ftp/ftp_test_support.h"
#include "support/elapsed.h"
#include "support/scripted_ui.h"

namespace {

std::string PatternBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 13 + i / 241) & 0xFF);
    }
    return bytes;
}

// One upload of a local file "notes.bin" to the remote name "notes.bin", with the data peer
// receiving until the client closes.
struct UploadRun {
    ScriptedPeer data;
    PeerSession session;
    RecordingProcessInterface iface;
    TempFolder folder;
    std::string localPath = folder.File("notes.bin");
    std::string errorText = "stale";

    explicit UploadRun(const std::string& contents) {
        WriteWholeFile(localPath, contents);
        data.ReceiveUntilClosed();
    }
    // control: the replies in order, each after one command line; then the peer either stays
    // silent or records whatever else the client sends.
    void Start(std::uint32_t features, const std::vector<std::string>& replies,
               bool recordTheRest = false) {
        for (const std::string& reply : replies) {
            session.peer.ExpectLine().Send(reply);
        }
        if (recordTheRest) {
            session.peer.ReceiveUntilClosed();
        } else {
            session.peer.HoldOpen();
        }
        data.Start();
        session.connection.features = features;
        ASSERT_TRUE(session.Connect());
    }
    LProcessResult Upload(bool append) {
        return FtpUploadFile(iface, session.connection, "notes.bin", localPath, &errorText, append);
    }
    // What the data peer received; waits for it to see the close.
    std::string DataBytes() {
        data.Wait();
        return data.ReceivedBytes();
    }
};

const char kBinary[] = "200 Switching to Binary mode.\r\n";
const char kOkToSend[] = "150 Ok to send data.\r\n";
const char kComplete[] = "226 Transfer complete.\r\n";
// The final reply comes with the preliminary one; the client reads it once the data is sent.
const std::string kOkThenComplete = std::string(kOkToSend) + kComplete;

TEST(FtpUploadFile, StoresTheWholeFileAndShowsItsName) {
    const std::string bytes = PatternBytes(50000);
    UploadRun run(bytes);
    run.Start(kFeatQueried, {kBinary, PassiveReplyFor(run.data.port()), kOkThenComplete});
    EXPECT_EQ(run.Upload(false), LPROCESS_OK);
    EXPECT_EQ(run.DataBytes(), bytes);
    EXPECT_EQ(run.errorText, "");
    EXPECT_EQ(run.session.peer.ReceivedLines(),
              (std::vector<std::string>{"TYPE I", "PASV", "STOR notes.bin"}));
    EXPECT_EQ(run.iface.TextsOnLine(0), std::vector<std::string>{"Uploading file..."});
    std::vector<std::string> line1 = run.iface.TextsOnLine(1);
    ASSERT_EQ(line1.size(), 50u);
    EXPECT_EQ(line1[0], "notes.bin");
    EXPECT_EQ(line1[1], "notes.bin:  0%");
    EXPECT_EQ(line1[49], "notes.bin: 98%");
    // The bar starts at 0 and moves by 1024 / 50,000 per block.
    ASSERT_EQ(run.iface.progress.size(), 50u);
    EXPECT_EQ(run.iface.progress[0], 0.0);
    for (std::size_t i = 1; i < run.iface.progress.size(); ++i) {
        EXPECT_NEAR(run.iface.progress[i], i * 1024.0 / 50000.0, 1e-9) << i;
    }
    EXPECT_TRUE(run.iface.errors.empty());
}

TEST(FtpUploadFile, LargeFileMovesTheBarInWholePercents) {
    const std::string bytes = PatternBytes(1024 * 1000);
    UploadRun run(bytes);
    run.Start(kFeatQueried, {kBinary, PassiveReplyFor(run.data.port()), kOkThenComplete});
    EXPECT_EQ(run.Upload(false), LPROCESS_OK);
    EXPECT_EQ(run.DataBytes(), bytes);
    // 1,000 blocks, 10 a percent: the first block, then every 11th.
    const std::vector<double>& progress = run.iface.progress;
    ASSERT_EQ(progress.size(), 2u + 1000u / 11u);
    EXPECT_EQ(progress[0], 0.0);
    EXPECT_EQ(progress[1], 0.0);
    for (std::size_t i = 2; i < progress.size(); ++i) {
        EXPECT_NEAR(progress[i] - progress[i - 1], 0.01, 1e-9) << i;
    }
}

TEST(FtpUploadFile, AnEmptyFileIsAZeroLengthUploadWithTheBarAtZero) {
    UploadRun run("");
    run.Start(kFeatQueried, {kBinary, PassiveReplyFor(run.data.port()), kOkThenComplete});
    EXPECT_EQ(run.Upload(false), LPROCESS_OK);
    EXPECT_EQ(run.DataBytes(), "");
    EXPECT_EQ(run.iface.progress, std::vector<double>{0.0});
    EXPECT_EQ(run.iface.TextsOnLine(1), std::vector<std::string>{"notes.bin"});
}

TEST(FtpUploadFile, ResumesAfterWhatTheServerHasAskingTheSizeBeforeTheDataConnection) {
    const std::string bytes = PatternBytes(10000);
    UploadRun run(bytes);
    run.Start(kFeatQueried | kFeatSize, {kBinary, "213 4000\r\n", kBinary,
                                         PassiveReplyFor(run.data.port()), kOkThenComplete});
    EXPECT_EQ(run.Upload(true), LPROCESS_OK);
    EXPECT_EQ(run.DataBytes(), bytes.substr(4000));
    EXPECT_EQ(
        run.session.peer.ReceivedLines(),
        (std::vector<std::string>{"TYPE I", "SIZE notes.bin", "TYPE I", "PASV", "APPE notes.bin"}));
    // The bar starts at 0.4: 4,000 of 10,000 bytes are there already.
    ASSERT_GE(run.iface.progress.size(), 2u);
    EXPECT_EQ(run.iface.progress[0], 0.0);
    EXPECT_NEAR(run.iface.progress[1], 0.4 + 1024.0 / 10000.0, 1e-9);
    EXPECT_EQ(run.iface.TextsOnLine(1)[1], "notes.bin: 40%");
}

TEST(FtpUploadFile, SendsNothingWhenTheRemoteFileIsAlreadyAsLarge) {
    for (const char* sizeReply : {"213 10000\r\n", "213 12000\r\n"}) {
        SCOPED_TRACE(sizeReply);
        UploadRun run(PatternBytes(10000));
        run.Start(kFeatQueried | kFeatSize,
                  {kBinary, sizeReply, kBinary, PassiveReplyFor(run.data.port()), kOkThenComplete});
        EXPECT_EQ(run.Upload(true), LPROCESS_OK);
        EXPECT_EQ(run.DataBytes(), "");
        EXPECT_EQ(run.iface.progress, std::vector<double>{0.0});
    }
}

TEST(FtpUploadFile, AppendsTheWholeFileWhenTheRemoteSizeIsUnknown) {
    const std::string bytes = PatternBytes(3000);
    UploadRun run(bytes);
    // SIZE refused; the listing fall-back of the look-up is refused too.
    run.Start(kFeatQueried | kFeatSize,
              {kBinary, "550 Could not get file size.\r\n", "500 No listing.\r\n", kBinary,
               PassiveReplyFor(run.data.port()), kOkThenComplete});
    EXPECT_EQ(run.Upload(true), LPROCESS_OK);
    EXPECT_EQ(run.DataBytes(), bytes);
    EXPECT_EQ(run.session.peer.ReceivedLines(),
              (std::vector<std::string>{"TYPE I", "SIZE notes.bin", "TYPE A", "TYPE I", "PASV",
                                        "APPE notes.bin"}));
}

TEST(FtpUploadFile, ARefusedAppeGetsAStorOfTheWholeFileOnAFreshDataConnection) {
    const std::string bytes = PatternBytes(10000);
    UploadRun run(bytes);
    ScriptedPeer secondData;
    secondData.ReceiveUntilClosed();
    secondData.Start();
    run.Start(
        kFeatQueried | kFeatSize,
        {kBinary, "213 4000\r\n", kBinary, PassiveReplyFor(run.data.port()),
         "502 Command not implemented.\r\n", PassiveReplyFor(secondData.port()), kOkThenComplete});
    EXPECT_EQ(run.Upload(true), LPROCESS_OK);
    EXPECT_EQ(run.session.peer.ReceivedLines(),
              (std::vector<std::string>{"TYPE I", "SIZE notes.bin", "TYPE I", "PASV",
                                        "APPE notes.bin", "PASV", "STOR notes.bin"}));
    EXPECT_EQ(run.DataBytes(), "");
    secondData.Wait();
    EXPECT_EQ(secondData.ReceivedBytes(), bytes);
    EXPECT_EQ(run.errorText, "");
    // The whole file, so the bar starts from 0.
    ASSERT_GE(run.iface.progress.size(), 2u);
    EXPECT_NEAR(run.iface.progress[1], 1024.0 / 10000.0, 1e-9);
}

TEST(FtpUploadFile, AStorRefusedWith550IsTriedOnceMore) {
    struct Case {
        const char* name;
        std::string secondReply;
        LProcessResult result;
        std::string errorText;
    };
    const Case cases[] = {
        {"accepted the second time", kOkThenComplete, LPROCESS_OK, ""},
        {"refused again", "553 Could not create file.\r\n", LPROCESS_FAILED,
         "Could not create file."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UploadRun run("abc");
        ScriptedPeer secondData;
        secondData.ReceiveUntilClosed();
        secondData.Start();
        run.Start(kFeatQueried, {kBinary, PassiveReplyFor(run.data.port()), "550 Busy.\r\n",
                                 PassiveReplyFor(secondData.port()), c.secondReply});
        EXPECT_EQ(run.Upload(false), c.result);
        EXPECT_EQ(run.errorText, c.errorText);
        EXPECT_EQ(run.session.peer.ReceivedLines(),
                  (std::vector<std::string>{"TYPE I", "PASV", "STOR notes.bin", "PASV",
                                            "STOR notes.bin"}));
        secondData.Wait();
        EXPECT_EQ(secondData.ReceivedBytes(), c.result == LPROCESS_OK ? "abc" : "");
    }
}

TEST(FtpUploadFile, AStorRefusedOtherwiseFailsWithTheServersText) {
    UploadRun run("abc");
    run.Start(kFeatQueried,
              {kBinary, PassiveReplyFor(run.data.port()), "553 Could not create file.\r\n"});
    EXPECT_EQ(run.Upload(false), LPROCESS_FAILED);
    EXPECT_EQ(run.errorText, "Could not create file.");
    EXPECT_EQ(run.DataBytes(), "");
    EXPECT_EQ(run.session.peer.ReceivedLines(),
              (std::vector<std::string>{"TYPE I", "PASV", "STOR notes.bin"}));
}

TEST(FtpUploadFile, A426AfterEveryByteCountsOnlyWhenTheServerHasTheWholeFile) {
    struct Case {
        const char* name;
        std::string sizeReply;
        bool listFallback;
        LProcessResult result;
        std::string errorText;
    };
    const Case cases[] = {
        {"whole file there", "213 5000\r\n", false, LPROCESS_OK, ""},
        {"file short", "213 4096\r\n", false, LPROCESS_FAILED, "Transfer aborted."},
        {"size unknown", "550 No size.\r\n", true, LPROCESS_FAILED, "Transfer aborted."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UploadRun run(PatternBytes(5000));
        std::vector<std::string> replies = {kBinary, PassiveReplyFor(run.data.port()),
                                            std::string(kOkToSend) + "426 Transfer aborted.\r\n",
                                            kBinary, c.sizeReply};
        if (c.listFallback) {
            // The listing fall-back of the size look-up.
            replies.push_back("500 No listing.\r\n");
        }
        for (const std::string& reply : replies) {
            run.session.peer.ExpectLine().Send(reply);
        }
        run.session.peer.HoldOpen();
        run.data.Start();
        run.session.connection.features = kFeatQueried | kFeatSize;
        ASSERT_TRUE(run.session.Connect());
        EXPECT_EQ(run.Upload(false), c.result);
        EXPECT_EQ(run.errorText, c.errorText);
        std::vector<std::string> lines = run.session.peer.ReceivedLines();
        ASSERT_GE(lines.size(), 5u);
        EXPECT_EQ(lines[2], "STOR notes.bin");
        EXPECT_EQ(lines[3], "TYPE I");
        EXPECT_EQ(lines[4], "SIZE notes.bin");
    }
}

TEST(FtpUploadFile, ANegativeFinalReplyFailsWithItsText) {
    UploadRun run(PatternBytes(2000));
    run.Start(kFeatQueried, {kBinary, PassiveReplyFor(run.data.port()),
                             std::string(kOkToSend) + "451 Local error in processing.\r\n"});
    EXPECT_EQ(run.Upload(false), LPROCESS_FAILED);
    EXPECT_EQ(run.errorText, "Local error in processing.");
    EXPECT_EQ(run.session.peer.ReceivedLines().size(), 3u);
}

TEST(FtpUploadFile, ACancelDuringTheDataStopsAtOnceWithoutWaitingForTheFinalReply) {
    const std::string bytes = PatternBytes(400000);
    UploadRun run(bytes);
    // The server never sends a final reply: waiting for it would take a minute.
    run.Start(kFeatQueried, {kBinary, PassiveReplyFor(run.data.port()), kOkToSend});
    run.iface.StopAfterCalls(100);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(run.Upload(false), LPROCESS_STOPPED);
    EXPECT_LT(SecondsSince(start), 20.0);
    std::string received = run.DataBytes();
    EXPECT_LT(received.size(), bytes.size());
    EXPECT_EQ(received, bytes.substr(0, received.size()));
}

TEST(FtpUploadFile, SendsNothingWhenTheLocalFileCannotBeOpened) {
    PeerSession session;
    session.peer.ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    TempFolder folder;
    RecordingProcessInterface iface;
    std::string errorText = "stale";
    EXPECT_EQ(
        FtpUploadFile(iface, session.connection, "x", folder.File("missing"), &errorText, false),
        LPROCESS_FAILED);
    EXPECT_EQ(errorText, "");
    EXPECT_EQ(session.BytesSentAfterScript(), "");
    EXPECT_EQ(iface.TextsOnLine(0), std::vector<std::string>{"Uploading file..."});
    EXPECT_EQ(iface.TextsOnLine(1), std::vector<std::string>{"missing"});
}

// Sets TZ for one test and puts the previous zone back.
class TimeZoneScope {
public:
    explicit TimeZoneScope(const char* zone) {
        const char* previous = getenv("TZ");
        hadZone_ = previous != nullptr;
        if (hadZone_) {
            previous_ = previous;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TimeZoneScope() {
        if (hadZone_) {
            setenv("TZ", previous_.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

private:
    bool hadZone_ = false;
    std::string previous_;
};

TEST(FtpUploadFile, SendsTheLocalTimeInUtcWithMfmtAndTakesItsResult) {
    struct Case {
        const char* name;
        std::string mfmtReply;
        LProcessResult result;
    };
    const Case cases[] = {
        {"accepted", "213 Modify=20240315120509; notes.bin\r\n", LPROCESS_OK},
        {"refused", "550 Not allowed.\r\n", LPROCESS_FAILED},
    };
    // Two hours east of UTC, no daylight saving time.
    TimeZoneScope zone("<+02>-2");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UploadRun run("abc");
        tm local{};
        local.tm_year = 2024 - 1900;
        local.tm_mon = 2;
        local.tm_mday = 15;
        local.tm_hour = 14;
        local.tm_min = 5;
        local.tm_sec = 9;
        local.tm_isdst = -1;
        timespec times[2] = {{mktime(&local), 0}, {mktime(&local), 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, run.localPath.c_str(), times, 0), 0);
        run.Start(kFeatQueried | kFeatMfmt,
                  {kBinary, PassiveReplyFor(run.data.port()), kOkThenComplete, c.mfmtReply});
        EXPECT_EQ(run.Upload(false), c.result);
        EXPECT_EQ(run.session.peer.ReceivedLines(),
                  (std::vector<std::string>{"TYPE I", "PASV", "STOR notes.bin",
                                            "MFMT 20240315120509 notes.bin"}));
        EXPECT_EQ(run.DataBytes(), "abc");
    }
}

TEST(FtpUploadFile, SendsNoMfmtAfterAFailedUpload) {
    UploadRun run("abc");
    run.Start(
        kFeatQueried | kFeatMfmt,
        {kBinary, PassiveReplyFor(run.data.port()), std::string(kOkToSend) + "451 Failed.\r\n"},
        true);
    EXPECT_EQ(run.Upload(false), LPROCESS_FAILED);
    EXPECT_EQ(run.session.BytesSentAfterScript(), "");
}

TEST(FtpUploadItem, ShowsItsOwnTextThenUploadsWithStor) {
    TempFolder folder;
    const std::string localPath = folder.File("report.txt");
    ASSERT_TRUE(WriteWholeFile(localPath, "abc"));
    ScriptedPeer data;
    data.ReceiveUntilClosed();
    data.Start();
    PeerSession session;
    session.peer.ExpectLine()
        .Send(kBinary)
        .ExpectLine()
        .Send(PassiveReplyFor(data.port()))
        .ExpectLine()
        .Send(kOkThenComplete)
        .HoldOpen();
    session.connection.features = kFeatQueried;
    ASSERT_TRUE(session.Connect());
    FtpTransferItem item;
    item.conn = &session.connection;
    item.localPath = localPath;
    item.remoteName = "site/report.txt";
    item.errorText = "stale";
    RecordingProcessInterface iface;
    EXPECT_EQ(FtpUploadItem(iface, item), LPROCESS_OK);
    EXPECT_EQ(item.errorText, "");
    EXPECT_EQ(iface.TextsOnLine(0),
              (std::vector<std::string>{"Uploading file ...", "Uploading file..."}));
    EXPECT_EQ(iface.TextsOnLine(1)[0], "report.txt");
    EXPECT_EQ(session.peer.ReceivedLines(),
              (std::vector<std::string>{"TYPE I", "PASV", "STOR site/report.txt"}));
    data.Wait();
    EXPECT_EQ(data.ReceivedBytes(), "abc");
}

}  // namespace
