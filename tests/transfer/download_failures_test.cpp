// Downloads that do not run to their end, against real servers: a stop in the middle of the
// queue, names that must not be written, a folder the server does not let the user enter.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ftp/ftp_test_support.h"
#include "transfer/local_tree.h"
#include "transfer/selection_transfers.h"
#include "transfer/transfer_test_support.h"

namespace {

constexpr time_t kJan2015 = 1420070400;

std::size_t Occurrences(const std::string& text, const std::string& piece) {
    std::size_t count = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos;
         at = text.find(piece, at + piece.size())) {
        ++count;
    }
    return count;
}

TEST(DownloadSelectionStop, LeavesTheRestStoppedAndTheirLocalFilesRemoved) {
    ServerSession server(TestServerKind::kPyFtpd);
    START_SERVER_SESSION(server);
    const std::string remote = server.onDisk();
    // Run order is the reverse of the selection: f5, f4, then f3 is stopped while it arrives.
    const std::vector<std::string> names = {"f1.txt", "f2.txt", "f3.bin", "f4.txt", "f5.txt"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string bytes = names[i] == "f3.bin" ? std::string(4 << 20, 'x') : names[i];
        ASSERT_TRUE(MakeFile(remote + "/" + names[i], bytes, kJan2015 + 3600 * i));
    }
    TempFolder local("brindle-download");
    // Older local copies, overwritten without a question; the stopped ones go.
    for (const char* name : {"f1.txt", "f2.txt", "f3.bin"}) {
        ASSERT_TRUE(MakeFile(local.File(name), "old", kJan2015 - 86400));
    }
    FakeTransferPane pane;
    pane.folder = server.folder();
    pane.selected = names;
    StopOnStatusLauncher launcher(1, "f3.bin");
    SelectionTransfers transfers(server.session, pane, server.ui, launcher);
    LogTail log;

    transfers.DownloadSelection(local.path());

    EXPECT_EQ(launcher.titles, std::vector<std::string>{"Downloading file list"});
    EXPECT_EQ(launcher.recording.TextsOnLine(0),
              (std::vector<std::string>{"Downloading files ...", "Downloading file 1 of 5",
                                        "Downloading file 2 of 5", "Downloading file 3 of 5"}));
    EXPECT_EQ(TreeSnapshot(local.path()), (std::map<std::string, std::string>{
                                              {"f4.txt", "file:f4.txt"},
                                              {"f5.txt", "file:f5.txt"},
                                          }));
    // The control connection stayed in step: the finished files still got their times.
    EXPECT_EQ(ModifiedTime(local.File("f4.txt")), kJan2015 + 3600 * 3);
    EXPECT_EQ(ModifiedTime(local.File("f5.txt")), kJan2015 + 3600 * 4);
    const std::string text = log.Text();
    EXPECT_EQ(Occurrences(text, "LPROCESS_STOPPED"), 3u) << text;
    EXPECT_EQ(Occurrences(text, "Downloaded file OK."), 2u) << text;
    EXPECT_NE(text.find("Cannot download the file list"), std::string::npos) << text;
    EXPECT_TRUE(transfers.outcome().stopped);
    EXPECT_EQ(transfers.outcome().queued, 5u);
    EXPECT_EQ(transfers.outcome().stoppedItems, 3u);
    EXPECT_EQ(transfers.outcome().failed, 0u);
}

TEST(DownloadSelectionNames, ASuspiciousSelectedNameEndsTheWalkAndWritesNothingForIt) {
    ServerSession server(TestServerKind::kPyFtpd);
    START_SERVER_SESSION(server);
    ASSERT_TRUE(MakeFile(server.onDisk() + "/good.txt", "good", kJan2015));
    ASSERT_TRUE(MakeFile(server.onDisk() + "/after.txt", "after", kJan2015));
    TempFolder base("brindle-download");
    const std::string target = base.File("target");
    ASSERT_TRUE(MakeFolder(target));
    for (const std::string bad : {"", ".", "..", "../good.txt", "..\\good.txt", "/good.txt"}) {
        SCOPED_TRACE(bad);
        FakeTransferPane pane;
        pane.folder = server.folder();
        pane.selected = {"good.txt", bad, "after.txt"};
        SelectionTransfers transfers(server.session, pane, server.ui, server.launcher);
        LogTail log;

        transfers.DownloadSelection(target);

        EXPECT_TRUE(log.Contains("Skipping download of item with suspicious name: " + bad + "\r\n"))
            << log.Text();
        EXPECT_TRUE(transfers.outcome().walkEnded);
        EXPECT_EQ(transfers.outcome().queued, 1u);
        EXPECT_EQ(TreeSnapshot(base.path()), (std::map<std::string, std::string>{
                                                 {"target", "folder"},
                                                 {"target/good.txt", "file:good"},
                                             }));
        unlink((target + "/good.txt").c_str());
    }
}

TEST(DownloadSelectionNames, ALocalPathThatWouldBeCutIsNotWritten) {
    ServerSession server(TestServerKind::kPyFtpd);
    START_SERVER_SESSION(server);
    const std::string name(40, 'n');
    ASSERT_TRUE(MakeFile(server.onDisk() + "/" + name, "long", kJan2015));
    TempFolder base("brindle-download");
    // A target whose joined path would pass 259 bytes by a few.
    std::string target = base.path();
    while (target.size() + 1 + name.size() <= 259) {
        target += "/d";
        ASSERT_TRUE(MakeFolder(target));
    }
    const std::map<std::string, std::string> before = TreeSnapshot(base.path());
    FakeTransferPane pane;
    pane.folder = server.folder();
    pane.selected = {name};
    SelectionTransfers transfers(server.session, pane, server.ui, server.launcher);
    LogTail log;

    transfers.DownloadSelection(target);

    EXPECT_TRUE(log.Contains("Skipping download of item with too long a path: " + name))
        << log.Text();
    EXPECT_TRUE(transfers.outcome().walkEnded);
    EXPECT_EQ(TreeSnapshot(base.path()), before);
}

TEST(DownloadSelectionFolders, ALinkBackUpTheServersTreeEndsWhenThePathNoLongerFits) {
    ServerSession server(TestServerKind::kPyFtpd);
    START_SERVER_SESSION(server);
    ASSERT_TRUE(MakeFile(server.onDisk() + "/a.txt", "a", kJan2015));
    // Long enough for the local path to pass 259 bytes well before the server's own limit on
    // nested links.
    const std::string loop = "a-link-back-to-its-own-folder";
    ASSERT_EQ(symlink(".", (server.onDisk() + "/" + loop).c_str()), 0);
    TempFolder base("brindle-download");
    const std::string target = base.File("target");
    ASSERT_TRUE(MakeFolder(target));
    FakeTransferPane pane;
    pane.folder = server.folder();
    pane.selected = {loop};
    SelectionTransfers transfers(server.session, pane, server.ui, server.launcher);
    LogTail log;

    transfers.DownloadSelection(target);

    EXPECT_TRUE(log.Contains("Skipping download of item with too long a path: ")) << log.Text();
    EXPECT_TRUE(transfers.outcome().walkEnded);
    for (const auto& [path, item] : TreeSnapshot(base.path())) {
        EXPECT_TRUE(path == "target" || path.starts_with("target/" + loop)) << path;
        EXPECT_LE(base.path().size() + 1 + path.size(), 259u) << path;
    }
}

TEST(DownloadSelectionFolders, AFolderThatCannotBeEnteredEndsTheWalkAfterWhatWasQueued) {
    ServerSession server(TestServerKind::kVsftpd);
    START_SERVER_SESSION(server);
    const std::string remote = server.onDisk();
    ASSERT_TRUE(MakeFile(remote + "/good.txt", "good", kJan2015));
    ASSERT_TRUE(MakeFolder(remote + "/locked"));
    ASSERT_TRUE(MakeFile(remote + "/locked/secret.txt", "secret", kJan2015));
    // Root's folder, closed to the anonymous user.
    ASSERT_EQ(chmod((remote + "/locked").c_str(), 0700), 0);
    ASSERT_TRUE(MakeFile(remote + "/after.txt", "after", kJan2015));
    TempFolder local("brindle-download");
    FakeTransferPane pane;
    pane.folder = server.folder();
    pane.selected = {"good.txt", "locked", "after.txt"};
    SelectionTransfers transfers(server.session, pane, server.ui, server.launcher);
    LogTail log;

    transfers.DownloadSelection(local.path());

    EXPECT_TRUE(log.Contains("Cannot change directory: /pub/locked")) << log.Text();
    EXPECT_TRUE(transfers.outcome().walkEnded);
    EXPECT_EQ(TreeSnapshot(local.path()), (std::map<std::string, std::string>{
                                              {"good.txt", "file:good"},
                                              {"locked", "folder"},
                                          }));
}

}  // namespace
