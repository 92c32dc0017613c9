// Downloads against scripted control and data peers: what is sent, what is kept on disk, the
// progress shown; the local-file openers; the download process and opening a remote file.
#include "ftp/download.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>
#include <vector>

#include "frame/file_descriptor.h"
#include "ftp/ftp_features.h"
#include "ftp/ftp_test_support.h"
#include "ftp/local_files.h"
#include "ftp/open_remote_file.h"
#include "support/elapsed.h"
#include "support/scripted_ui.h"

namespace {

// Bytes that differ from position to position, so a shifted or doubled piece shows.
std::string PatternBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    }
    return bytes;
}

bool Exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

// A control peer for a download of `name`: TYPE I, PASV to the data peer, the size look-up
// (SIZE is known to the session, so it is TYPE I and SIZE), then RETR with `retrReplies`.
void ScriptDownload(ScriptedPeer& control, const ScriptedPeer& data, const std::string& sizeReply,
                    const std::string& retrReplies) {
    control.ExpectLine()
        .Send("200 Switching to Binary mode.\r\n")
        .ExpectLine()
        .Send(sizeReply)
        .ExpectLine()
        .Send("200 Switching to Binary mode.\r\n")
        .ExpectLine()
        .Send(PassiveReplyFor(data.port()))
        .ExpectLine()
        .Send(retrReplies)
        .HoldOpen();
}

// The size is asked before the data connection is opened, so a fall-back listing cannot
// disturb it.
const std::vector<std::string> kDownloadCommands = {"TYPE I", "SIZE file.bin", "TYPE I", "PASV",
                                                    "RETR file.bin"};

struct DownloadRun {
    ScriptedPeer data;
    PeerSession session;
    RecordingProcessInterface iface;
    TempFolder folder;
    std::string localPath = folder.File("file.bin");
    std::string errorText = "stale";

    // Starts both peers; the session knows the server offers SIZE.
    void Start() {
        data.Start();
        session.connection.features = kFeatQueried | kFeatSize;
        ASSERT_TRUE(session.Connect());
    }
    LProcessResult Download() {
        return FtpDownloadFile(iface, session.connection, "file.bin", localPath, &errorText);
    }
};

TEST(FtpDownloadFile, WritesEveryByteAndKeepsTheFile) {
    const std::string bytes = PatternBytes(50000);
    DownloadRun run;
    run.data.Send(bytes).Close();
    ScriptDownload(run.session.peer, run.data, "213 50000\r\n",
                   "150 Opening BINARY mode data connection.\r\n226 Transfer complete.\r\n");
    run.Start();
    EXPECT_EQ(run.Download(), LPROCESS_OK);
    EXPECT_EQ(ReadWholeFile(run.localPath), bytes);
    EXPECT_EQ(run.errorText, "");
    EXPECT_EQ(run.session.peer.ReceivedLines(), kDownloadCommands);
    EXPECT_TRUE(run.iface.errors.empty());
}

TEST(FtpDownloadFile, SmallFileMovesTheBarByEveryBlockFromZeroPercent) {
    // 49 blocks: every block moves the bar by 1024 / 50,000.
    DownloadRun run;
    run.data.Send(PatternBytes(50000)).Close();
    ScriptDownload(run.session.peer, run.data, "213 50000\r\n",
                   "150 Here it comes.\r\n226 Transfer complete.\r\n");
    run.Start();
    ASSERT_EQ(run.Download(), LPROCESS_OK);
    const std::vector<double>& progress = run.iface.progress;
    // At least one update per block received, and one before the end of the data is seen.
    ASSERT_GE(progress.size(), 50u);
    for (std::size_t i = 0; i < progress.size(); ++i) {
        EXPECT_NEAR(progress[i], (i + 1) * 1024.0 / 50000.0, 1e-9) << i;
    }
    std::vector<std::string> texts = run.iface.TextsOnLine(1);
    ASSERT_EQ(texts.size(), progress.size());
    EXPECT_EQ(texts.front(), "file.bin:  0%");
    // The text shows the fraction reached before the block: the 25th shows 24 blocks.
    EXPECT_EQ(texts[24], "file.bin: 49%");
    EXPECT_TRUE(run.iface.TextsOnLine(0).empty());
}

TEST(FtpDownloadFile, LargeFileMovesTheBarInWholePercents) {
    const std::size_t size = 10 * 1024 * 1024;
    DownloadRun run;
    run.data.Send(PatternBytes(size)).Close();
    ScriptDownload(run.session.peer, run.data, "213 " + std::to_string(size) + "\r\n",
                   "150 Here it comes.\r\n226 Transfer complete.\r\n");
    run.Start();
    ASSERT_EQ(run.Download(), LPROCESS_OK);
    EXPECT_EQ(ReadWholeFile(run.localPath).size(), size);
    const std::vector<double>& progress = run.iface.progress;
    // The first block shows 0 %, then one update per 103 blocks (10,240 blocks, 102.4 a percent).
    ASSERT_GE(progress.size(), 100u);
    EXPECT_LE(progress.size(), 120u);
    EXPECT_EQ(progress.front(), 0.0);
    for (std::size_t i = 1; i < progress.size(); ++i) {
        EXPECT_NEAR(progress[i] - progress[i - 1], 0.01, 1e-9) << i;
    }
    std::vector<std::string> texts = run.iface.TextsOnLine(1);
    ASSERT_EQ(texts.size(), progress.size());
    EXPECT_EQ(texts[0], "file.bin:  0%");
    EXPECT_EQ(texts[1], "file.bin:  0%");
    EXPECT_EQ(texts[2], "file.bin:  1%");
    EXPECT_EQ(texts[51], "file.bin: 50%");
}

TEST(FtpDownloadFile, WithoutAKnownSizeTheBarStaysAtZeroAndTheEndOfDataCompletes) {
    const std::string bytes = PatternBytes(3000);
    ScriptedPeer data;
    data.Send(bytes).Close();
    data.Start();
    PeerSession session;
    // Neither SIZE nor MLST: the size look-up falls back to a listing, which the server refuses;
    // the transfer's own TYPE I and PASV come after it, so RETR still goes in binary.
    session.peer.ExpectLine()
        .Send("504 Not now.\r\n")
        .ExpectLine()
        .Send("200 Binary.\r\n")
        .ExpectLine()
        .Send(PassiveReplyFor(data.port()))
        .ExpectLine()
        .Send("150 Here it comes.\r\n226 Done.\r\n")
        .HoldOpen();
    session.connection.features = kFeatQueried;
    ASSERT_TRUE(session.Connect());
    TempFolder folder;
    RecordingProcessInterface iface;
    EXPECT_EQ(FtpDownloadFile(iface, session.connection, "file.bin", folder.File("file.bin")),
              LPROCESS_OK);
    EXPECT_EQ(ReadWholeFile(folder.File("file.bin")), bytes);
    EXPECT_EQ(session.peer.ReceivedLines(),
              (std::vector<std::string>{"TYPE A", "TYPE I", "PASV", "RETR file.bin"}));
    ASSERT_FALSE(iface.progress.empty());
    for (double fraction : iface.progress) {
        EXPECT_EQ(fraction, 0.0);
    }
    EXPECT_EQ(iface.LastTextOnLine(1), "file.bin:  0%");
}

TEST(FtpDownloadFile, ARefusedRetrLeavesAnEmptyLocalFileAndTheReplyText) {
    DownloadRun run;
    ASSERT_TRUE(WriteWholeFile(run.localPath, "old contents"));
    run.data.ReceiveUntilClosed();
    ScriptDownload(run.session.peer, run.data, "213 12\r\n", "550 Failed to open file.\r\n");
    run.Start();
    EXPECT_EQ(run.Download(), LPROCESS_FAILED);
    EXPECT_EQ(run.errorText, "Failed to open file.");
    ASSERT_TRUE(Exists(run.localPath));
    EXPECT_EQ(ReadWholeFile(run.localPath), "");
    EXPECT_EQ(run.session.peer.ReceivedLines(), kDownloadCommands);
    // The data connection was not left open.
    run.data.Wait();
}

struct EarlyFailureCase {
    const char* name;
    std::vector<std::string> replies;  // to the commands in order
    std::vector<std::string> commands;
};

TEST(FtpDownloadFile, FailuresBeforeTheDataStartsLeaveTheLocalFileEmpty) {
    const EarlyFailureCase cases[] = {
        {"TYPE refused", {"500 No.\r\n"}, {"TYPE I"}},
        {"PASV refused", {"200 Binary.\r\n", "500 No passive.\r\n"}, {"TYPE I", "PASV"}},
        {"PASV without an address",
         {"200 Binary.\r\n", "227 Entering Passive Mode\r\n"},
         {"TYPE I", "PASV"}},
    };
    for (const EarlyFailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        PeerSession session;
        // The size look-up comes first.
        session.peer.ExpectLine().Send("200 Binary.\r\n").ExpectLine().Send("213 12\r\n");
        for (const std::string& reply : c.replies) {
            session.peer.ExpectLine().Send(reply);
        }
        session.peer.ReceiveUntilClosed();
        session.connection.features = kFeatQueried | kFeatSize;
        ASSERT_TRUE(session.Connect());
        TempFolder folder;
        const std::string localPath = folder.File("file.bin");
        ASSERT_TRUE(WriteWholeFile(localPath, "old contents"));
        LProcessInterfaceVoidInstance iface;
        std::string errorText = "stale";
        EXPECT_EQ(FtpDownloadFile(iface, session.connection, "file.bin", localPath, &errorText),
                  LPROCESS_FAILED);
        EXPECT_EQ(errorText, "");
        ASSERT_TRUE(Exists(localPath));
        EXPECT_EQ(ReadWholeFile(localPath), "");
        EXPECT_EQ(session.BytesSentAfterScript(), "");
        std::vector<std::string> commands = {"TYPE I", "SIZE file.bin"};
        commands.insert(commands.end(), c.commands.begin(), c.commands.end());
        EXPECT_EQ(session.peer.ReceivedLines(), commands);
    }
}

TEST(FtpDownloadFile, ANegativeFinalReplyAfterAllBytesDeletesTheLocalFile) {
    DownloadRun run;
    run.data.Send(PatternBytes(5000)).Close();
    ScriptDownload(run.session.peer, run.data, "213 5000\r\n",
                   "150 Here it comes.\r\n426 Connection closed; transfer aborted.\r\n");
    run.Start();
    EXPECT_EQ(run.Download(), LPROCESS_FAILED);
    EXPECT_EQ(run.errorText, "Connection closed; transfer aborted.");
    EXPECT_FALSE(Exists(run.localPath));
}

TEST(FtpDownloadFile, AShortTransferDeletesTheLocalFile) {
    DownloadRun run;
    run.data.Send(PatternBytes(3000)).Close();
    ScriptDownload(run.session.peer, run.data, "213 5000\r\n",
                   "150 Here it comes.\r\n226 Transfer complete.\r\n");
    run.Start();
    EXPECT_EQ(run.Download(), LPROCESS_FAILED);
    EXPECT_EQ(run.errorText, "");
    EXPECT_FALSE(Exists(run.localPath));
}

TEST(FtpDownloadFile, ACancelHalfwayDeletesThePartialFileAndReportsStopped) {
    DownloadRun run;
    // Half of the file, then the server stalls.
    run.data.Send(PatternBytes(100000)).HoldOpen();
    ScriptDownload(run.session.peer, run.data, "213 200000\r\n",
                   "150 Here it comes.\r\n426 Transfer aborted.\r\n");
    run.Start();
    run.iface.StopAfter(std::chrono::milliseconds(400));
    EXPECT_EQ(run.Download(), LPROCESS_STOPPED);
    EXPECT_FALSE(Exists(run.localPath));
    // The partial data had been written and shown before the stop.
    ASSERT_FALSE(run.iface.progress.empty());
    EXPECT_GT(run.iface.progress.back(), 0.4);
    EXPECT_LT(run.iface.progress.back(), 0.6);
}

TEST(FtpDownloadFile, ACancelAfterTheExpectedSizeArrivedStillCompletes) {
    DownloadRun run;
    // All of the file, then the server keeps the data connection open.
    const std::string bytes = PatternBytes(4000);
    run.data.Send(bytes).HoldOpen();
    ScriptDownload(run.session.peer, run.data, "213 4000\r\n",
                   "150 Here it comes.\r\n226 Transfer complete.\r\n");
    run.Start();
    run.iface.StopAfter(std::chrono::milliseconds(400));
    EXPECT_EQ(run.Download(), LPROCESS_OK);
    EXPECT_EQ(ReadWholeFile(run.localPath), bytes);
}

TEST(FtpDownloadFile, SendsNothingWhenTheLocalFileCannotBeCreated) {
    PeerSession session;
    session.peer.ReceiveUntilClosed();
    ASSERT_TRUE(session.Connect());
    TempFolder folder;
    LProcessInterfaceVoidInstance iface;
    std::string errorText = "stale";
    EXPECT_EQ(FtpDownloadFile(iface, session.connection, "file.bin",
                              folder.File("missing/file.bin"), &errorText),
              LPROCESS_FAILED);
    EXPECT_EQ(errorText, "");
    EXPECT_EQ(session.BytesSentAfterScript(), "");
}

TEST(OpenFileForWrite, CreatesWithTheUsersUmaskAndEmptiesAnExistingFile) {
    TempFolder folder;
    const std::string path = folder.File("out.bin");
    mode_t previous = umask(027);
    FileDescriptor fd;
    bool created = OpenFileForWrite(fd, path);
    umask(previous);
    ASSERT_TRUE(created);
    struct stat info {};
    ASSERT_EQ(fstat(fd.get(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    fd.Close();

    ASSERT_TRUE(WriteWholeFile(path, "twelve bytes"));
    ASSERT_TRUE(OpenFileForWrite(fd, path));
    ASSERT_EQ(write(fd.get(), "ab", 2), 2);
    fd.Close();
    EXPECT_EQ(ReadWholeFile(path), "ab");
}

TEST(OpenFileForWrite, FailsWithoutADescriptorWhenTheFolderIsMissing) {
    TempFolder folder;
    FileDescriptor fd(dup(0));
    EXPECT_FALSE(OpenFileForWrite(fd, folder.File("missing/out.bin")));
    EXPECT_FALSE(fd.valid());
}

TEST(OpenFileForWrite, WaitsAboutHalfASecondForAnotherHoldersLockThenWritesAnyway) {
    TempFolder folder;
    const std::string path = folder.File("locked.bin");
    ASSERT_TRUE(WriteWholeFile(path, "held by another reader"));
    // flock belongs to the open file, so a second open in this process is another holder.
    FileDescriptor holder(open(path.c_str(), O_RDONLY));
    ASSERT_EQ(flock(holder.get(), LOCK_SH), 0);
    auto start = std::chrono::steady_clock::now();
    FileDescriptor fd;
    ASSERT_TRUE(OpenFileForWrite(fd, path));
    double elapsed = SecondsSince(start);
    EXPECT_GT(elapsed, 0.4);
    EXPECT_LT(elapsed, 3.0);
    EXPECT_EQ(ReadWholeFile(path), "");
}

TEST(OpenFileForRead, SharesTheLockWithOtherReadersAndKeepsTheContents) {
    TempFolder folder;
    const std::string path = folder.File("in.bin");
    ASSERT_TRUE(WriteWholeFile(path, "contents"));
    FileDescriptor reader(open(path.c_str(), O_RDONLY));
    ASSERT_EQ(flock(reader.get(), LOCK_SH), 0);
    auto start = std::chrono::steady_clock::now();
    FileDescriptor fd;
    ASSERT_TRUE(OpenFileForRead(fd, path));
    EXPECT_LT(SecondsSince(start), 0.45);  // well under the half-second wait for a writer
    char buffer[16];
    EXPECT_EQ(read(fd.get(), buffer, sizeof buffer), 8);
    // The lock it holds is shared: a writer's exclusive lock is refused.
    reader.Close();
    FileDescriptor writer(open(path.c_str(), O_RDWR));
    EXPECT_NE(flock(writer.get(), LOCK_EX | LOCK_NB), 0);
}

TEST(OpenFileForRead, WaitsAboutHalfASecondForAWritersLockThenReadsAnyway) {
    TempFolder folder;
    const std::string path = folder.File("in.bin");
    ASSERT_TRUE(WriteWholeFile(path, "contents"));
    FileDescriptor writer(open(path.c_str(), O_RDWR));
    ASSERT_EQ(flock(writer.get(), LOCK_EX), 0);
    auto start = std::chrono::steady_clock::now();
    FileDescriptor fd;
    ASSERT_TRUE(OpenFileForRead(fd, path));
    double elapsed = SecondsSince(start);
    EXPECT_GT(elapsed, 0.4);
    EXPECT_LT(elapsed, 3.0);
}

TEST(OpenFileForRead, RefusesMissingFilesAndFolders) {
    TempFolder folder;
    FileDescriptor fd;
    EXPECT_FALSE(OpenFileForRead(fd, folder.File("missing")));
    EXPECT_FALSE(fd.valid());
    EXPECT_FALSE(OpenFileForRead(fd, folder.path()));
    EXPECT_FALSE(fd.valid());
}

TEST(GetLocalFileTime, IsTheModificationTimeOrZero) {
    TempFolder folder;
    const std::string path = folder.File("dated");
    ASSERT_TRUE(WriteWholeFile(path, "x"));
    timespec times[2] = {{1600000000, 0}, {1500000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    EXPECT_EQ(GetLocalFileTime(path), 1500000000);
    EXPECT_EQ(GetLocalFileTime(folder.File("missing")), 0);
}

TEST(RunDownloadFile, RunsTheDownloadUnderItsTitleAndFillsTheItem) {
    ScriptedPeer data;
    data.ReceiveUntilClosed();
    data.Start();
    PeerSession session;
    ScriptDownload(session.peer, data, "213 1\r\n", "550 Permission denied.\r\n");
    session.connection.features = kFeatQueried | kFeatSize;
    ASSERT_TRUE(session.Connect());
    TempFolder folder;
    FtpTransferItem item;
    item.conn = &session.connection;
    item.localPath = folder.File("file.bin");
    item.remoteName = "file.bin";
    ScriptedProcessLauncher launcher;
    EXPECT_EQ(RunDownloadFile(launcher, nullptr, "FTP Download", &item), LPROCESS_FAILED);
    EXPECT_EQ(launcher.titles, std::vector<std::string>{"FTP Download"});
    EXPECT_EQ(item.errorText, "Permission denied.");
    EXPECT_EQ(session.peer.ReceivedLines(), kDownloadCommands);
}

// Records the session's queued notifications as they are delivered.
class NotificationLog final : public LQueuedNotifyDataHandler {
public:
    explicit NotificationLog(LEventQueue* queue) : LQueuedNotifyDataHandler(queue) {}
    void OnQueuedNotify(std::uint32_t code, void*, std::uint32_t) override {
        codes.push_back(code);
    }
    std::vector<std::uint32_t> codes;
};

struct OpenRemoteFileRun {
    ScriptedUiServices ui;
    ScriptedProcessLauncher launcher;
    LFtpList session{ui, launcher};
    ManualEventQueue queue;
    NotificationLog notifications{&queue};
    ScriptedPeer data;
    PeerSession peers;
    std::vector<std::uint32_t> codesBeforeDownload;

    void Start(const std::string& retrReplies) {
        data.Send("file contents").Close();
        data.Start();
        ScriptDownload(peers.peer, data, "213 13\r\n", retrReplies);
        ASSERT_TRUE(peers.Connect());
        session.connection = std::move(peers.connection);
        session.connection.features = kFeatQueried | kFeatSize;
        session.connected = true;
        session.Attach(&notifications);
        launcher.prepare = [this](RecordingProcessInterface&) {
            queue.DispatchPending();
            codesBeforeDownload = notifications.codes;
        };
    }
    ~OpenRemoteFileRun() { session.Detach(); }
};

TEST(OpenRemoteFile, DownloadsIntoThePrivateFolderWithTheCheckPausedAndOpensTheFile) {
    OpenRemoteFileRun run;
    run.Start("150 Here it comes.\r\n226 Transfer complete.\r\n");
    LogTail log;
    EXPECT_EQ(OpenRemoteFile(run.session, run.launcher, run.ui, nullptr, "file.bin"), LPROCESS_OK);
    run.queue.DispatchPending();

    const std::string folder = std::string(getenv("XDG_CACHE_HOME")) + "/brindleftp/open";
    const std::string path = folder + "/file.bin";
    EXPECT_EQ(ReadWholeFile(path), "file contents");
    struct stat info {};
    ASSERT_EQ(stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(run.ui.openedPaths, std::vector<std::string>{path});
    EXPECT_EQ(run.launcher.titles, std::vector<std::string>{"FTP Download"});
    EXPECT_EQ(run.codesBeforeDownload, std::vector<std::uint32_t>{0});
    EXPECT_EQ(run.notifications.codes, (std::vector<std::uint32_t>{0, 1}));
    EXPECT_TRUE(log.Contains("Open file successfully: file.bin")) << log.Text();
}

TEST(OpenRemoteFile, LogsTheServersTextWhenTheDownloadIsRefused) {
    OpenRemoteFileRun run;
    run.Start("550 Permission denied.\r\n");
    LogTail log;
    EXPECT_EQ(OpenRemoteFile(run.session, run.launcher, run.ui, nullptr, "file.bin"),
              LPROCESS_FAILED);
    run.queue.DispatchPending();
    EXPECT_TRUE(run.ui.openedPaths.empty());
    EXPECT_EQ(run.notifications.codes, (std::vector<std::uint32_t>{0, 1}));
    EXPECT_TRUE(log.Contains("Cannot open file: file.bin")) << log.Text();
    EXPECT_TRUE(log.Contains("Permission denied.")) << log.Text();
}

TEST(OpenRemoteFile, KeepsTheFileInsideThePrivateFolder) {
    OpenRemoteFileRun run;
    run.Start("150 Here it comes.\r\n226 Transfer complete.\r\n");
    EXPECT_EQ(OpenRemoteFile(run.session, run.launcher, run.ui, nullptr, "../file.bin"),
              LPROCESS_OK);
    const std::string folder = std::string(getenv("XDG_CACHE_HOME")) + "/brindleftp/open";
    EXPECT_EQ(run.ui.openedPaths, std::vector<std::string>{folder + "/file.bin"});
}

TEST(OpenRemoteFile, DoesNothingWithoutAConnectedSession) {
    ScriptedUiServices ui;
    ScriptedProcessLauncher launcher;
    LFtpList session(ui, launcher);
    EXPECT_EQ(OpenRemoteFile(session, launcher, ui, nullptr, "file.bin"), LPROCESS_FAILED);
    EXPECT_TRUE(launcher.titles.empty());
    EXPECT_TRUE(ui.openedPaths.empty());
}

}  // namespace
