// Downloads of remote selections against pyftpdlib (MLSD, MLST) and vsftpd (LIST only): whole
// trees with the remote times, links to folders, the overwrite question, the queue's progress.
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "ftp/current_directory.h"
#include "ftp/ftp_test_support.h"
#include "ftp/remote_listing.h"
#include "transfer/local_tree.h"
#include "transfer/selection_transfers.h"
#include "transfer/transfer_test_support.h"

namespace {

constexpr time_t kJan2010 = 1262304000;

std::string PatternBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    }
    return bytes;
}

std::string CurrentRemoteFolder(ServerSession& server) {
    std::string folder;
    FtpGetCurrentDirectoryQuiet(server.session.connection, folder);
    return folder;
}

class DownloadSelectionServers : public testing::TestWithParam<TestServerKind> {
protected:
    void SetUp() override {
        target_ = local_.File("target");
        ASSERT_TRUE(MakeFolder(target_));
        pane_.folder = server_.folder();
    }

    // The selection downloaded into the target.
    void Download(std::vector<std::string> selected) {
        pane_.selected = std::move(selected);
        transfers_.DownloadSelection(target_);
    }
    std::string Remote(const std::string& relative) const {
        return server_.onDisk() + "/" + relative;
    }
    std::string Local(const std::string& relative) const { return target_ + "/" + relative; }

    ServerSession server_{GetParam()};
    TempFolder local_{"brindle-download"};
    std::string target_;
    FakeTransferPane pane_;
    SelectionTransfers transfers_{server_.session, pane_, server_.ui, server_.launcher};
};

TEST_P(DownloadSelectionServers, CopiesATreeWithEveryFileGettingItsRemoteTime) {
    START_SERVER_SESSION(server_);
    const std::string spaced = "sub dir";
    const std::string unicode = "\xce\xa9mega";  // Ωmega
    const std::string unicodeFile = "\xc3\xbcn\xc3\xaf \xd1\x84\xd0\xb0\xd0\xb9\xd0\xbb.txt";
    ASSERT_TRUE(MakeFolder(Remote("tree")));
    ASSERT_TRUE(MakeFolder(Remote("tree/" + spaced)));
    ASSERT_TRUE(MakeFolder(Remote("tree/" + spaced + "/deeper")));
    ASSERT_TRUE(MakeFolder(Remote("tree/empty folder")));
    ASSERT_TRUE(MakeFolder(Remote("tree/" + unicode)));
    ASSERT_TRUE(MakeFile(Remote("tree/readme.txt"), "hello\n", kJan2010 + 61));
    ASSERT_TRUE(MakeFile(Remote("tree/empty.txt"), "", kJan2010 + 86400 * 40 + 7));
    ASSERT_TRUE(MakeFile(Remote("tree/" + spaced + "/notes with spaces.txt"), "notes",
                         kJan2010 + 86400 * 200 + 3599));
    ASSERT_TRUE(MakeFile(Remote("tree/" + spaced + "/deeper/big.bin"), PatternBytes(70000),
                         kJan2010 + 86400 * 365 * 5 + 12345));
    ASSERT_TRUE(MakeFile(Remote("tree/" + unicode + "/" + unicodeFile), "utf-8 name",
                         kJan2010 + 86400 * 3000 + 1));
    ASSERT_TRUE(MakeFile(Remote("top file.txt"), "top", kJan2010 + 86400 * 4000 + 59));

    const std::size_t runsBefore = server_.launcher.titles.size();
    Download({"tree", "top file.txt"});

    const std::map<std::string, std::string> remote = TreeSnapshot(server_.onDisk());
    ASSERT_EQ(remote.size(), 11u);
    EXPECT_EQ(TreeSnapshot(target_), remote);
    for (const auto& [path, item] : remote) {
        if (item.starts_with("file:")) {
            EXPECT_EQ(ModifiedTime(Local(path)), ModifiedTime(Remote(path))) << path;
        }
    }
    EXPECT_TRUE(server_.ui.alerts.empty());
    // After the connect, one process for the whole queue.
    EXPECT_EQ(server_.launcher.titles.back(), "Downloading file list");
    EXPECT_EQ(server_.launcher.titles.size(), runsBefore + 1);
    EXPECT_EQ(transfers_.outcome().queued, 6u);
    EXPECT_EQ(transfers_.outcome().failed, 0u);
    EXPECT_FALSE(transfers_.outcome().walkEnded);
    EXPECT_FALSE(transfers_.outcome().stopped);
    // The server is back in the folder the selection came from.
    EXPECT_EQ(CurrentRemoteFolder(server_), server_.folder());
}

TEST_P(DownloadSelectionServers, ALinkToAFolderBecomesALocalFolderNamedAfterTheLink) {
    START_SERVER_SESSION(server_);
    ASSERT_TRUE(MakeFolder(Remote("target")));
    ASSERT_TRUE(MakeFolder(Remote("target/nested")));
    ASSERT_TRUE(MakeFile(Remote("target/inner.txt"), "inside", kJan2010));
    ASSERT_TRUE(MakeFile(Remote("target/nested/deep.txt"), "deep", kJan2010 + 60));
    // An absolute link as the server sees it: vsftpd's anonymous user lives in a chroot.
    const std::string absolute =
        server_.IsVsftpd() ? server_.folder() + "/target" : Remote("target");
    ASSERT_EQ(symlink("target", Remote("docs").c_str()), 0);
    ASSERT_EQ(symlink(absolute.c_str(), Remote("my-docs").c_str()), 0);
    ASSERT_EQ(symlink("target/inner.txt", Remote("file-link").c_str()), 0);

    // The selection as the remote pane lists it.
    std::vector<std::string> selected;
    {
        FtpDirList list(server_.session.connection);
        for (; !list.AtEnd(); list.Next()) {
            const std::string name = list.CurrentName();
            if (name != "target") {
                selected.push_back(name);
            }
        }
    }
    ASSERT_EQ(selected.size(), 3u);
    if (server_.IsVsftpd()) {
        std::sort(selected.begin(), selected.end());
        EXPECT_EQ(selected,
                  (std::vector<std::string>{"docs -> target", "file-link -> target/inner.txt",
                                            "my-docs -> " + absolute}));
    }
    Download(selected);

    const std::map<std::string, std::string> expected = {
        {"docs", "folder"},           {"docs/inner.txt", "file:inside"},
        {"docs/nested", "folder"},    {"docs/nested/deep.txt", "file:deep"},
        {"my-docs", "folder"},        {"my-docs/inner.txt", "file:inside"},
        {"my-docs/nested", "folder"}, {"my-docs/nested/deep.txt", "file:deep"},
        {"file-link", "file:inside"},
    };
    EXPECT_EQ(TreeSnapshot(target_), expected);
    EXPECT_EQ(ModifiedTime(Local("my-docs/nested/deep.txt")), kJan2010 + 60);
    EXPECT_EQ(transfers_.outcome().failed, 0u);
    EXPECT_EQ(CurrentRemoteFolder(server_), server_.folder());
}

struct OverwriteCase {
    const char* name;
    std::vector<std::pair<std::string, bool>> answers;  // button text, check box ticked
    std::size_t questions;
    bool keepsA;
    bool keepsB;
};

TEST_P(DownloadSelectionServers, AsksBeforeOverwritingANewerLocalFileOnly) {
    const OverwriteCase cases[] = {
        {"No, then Yes", {{"No", false}, {"Yes", false}}, 2, true, false},
        {"No for all", {{"No", true}}, 1, true, true},
        {"Yes for all", {{"Yes", true}}, 1, false, false},
    };
    START_SERVER_SESSION(server_);
    const time_t remoteTime = kJan2010 + 86400 * 3650;
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) {
        ASSERT_TRUE(MakeFile(Remote(name), std::string("remote ") + name, remoteTime));
    }
    const time_t newer = remoteTime + 3600;
    const time_t older = remoteTime - 86400;
    for (const OverwriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(MakeFile(Local("a.txt"), "local a", newer));
        ASSERT_TRUE(MakeFile(Local("b.txt"), "local b", newer));
        ASSERT_TRUE(MakeFile(Local("c.txt"), "local c", older));
        unlink(Local("d.txt").c_str());
        server_.ui.alerts.clear();
        for (const auto& [button, forAll] : c.answers) {
            server_.ui.AnswerWithText(button, forAll);
        }

        Download({"a.txt", "b.txt", "c.txt", "d.txt"});

        ASSERT_EQ(server_.ui.alerts.size(), c.questions);
        EXPECT_EQ(server_.ui.PendingAnswers(), 0u);
        const char* asked[] = {"a.txt", "b.txt"};
        for (std::size_t i = 0; i < c.questions; ++i) {
            const LAlertParams& alert = server_.ui.alerts[i];
            EXPECT_EQ(alert.text, std::string("A newer copy of the file \"") + asked[i] +
                                      "\" already exists in the local folder. Do you want to "
                                      "overwrite it?");
            EXPECT_EQ(alert.headline, "Overwrite");
            EXPECT_EQ(alert.checkBox, "Do this for all");
        }
        EXPECT_EQ(ReadWholeFile(Local("a.txt")), c.keepsA ? "local a" : "remote a.txt");
        EXPECT_EQ(ModifiedTime(Local("a.txt")), c.keepsA ? newer : remoteTime);
        EXPECT_EQ(ReadWholeFile(Local("b.txt")), c.keepsB ? "local b" : "remote b.txt");
        EXPECT_EQ(ReadWholeFile(Local("c.txt")), "remote c.txt");
        EXPECT_EQ(ModifiedTime(Local("c.txt")), remoteTime);
        EXPECT_EQ(ReadWholeFile(Local("d.txt")), "remote d.txt");
        EXPECT_EQ(transfers_.outcome().queued, 4u - (c.keepsA ? 1 : 0) - (c.keepsB ? 1 : 0));
        EXPECT_FALSE(transfers_.outcome().walkEnded);
    }
}

TEST_P(DownloadSelectionServers, RunsTheQueueNewestFirstUnderOneProgressBar) {
    START_SERVER_SESSION(server_);
    ASSERT_TRUE(MakeFile(Remote("first.txt"), PatternBytes(3000), kJan2010));
    ASSERT_TRUE(MakeFile(Remote("second.txt"), PatternBytes(5000), kJan2010));
    const std::size_t runsBefore = server_.launcher.runs.size();
    Download({"first.txt", "second.txt"});

    ASSERT_EQ(server_.launcher.runs.size(), runsBefore + 1);
    const RecordingProcessInterface& run = server_.launcher.LastRun();
    EXPECT_EQ(run.TextsOnLine(0),
              (std::vector<std::string>{"Downloading files ...", "Downloading file 1 of 2",
                                        "Downloading file 2 of 2"}));
    // Queued last, fetched first.
    const std::vector<std::string> progress = run.TextsOnLine(1);
    ASSERT_FALSE(progress.empty());
    EXPECT_NE(progress.front().find("second.txt: "), std::string::npos) << progress.front();
    EXPECT_NE(progress.back().find("first.txt: "), std::string::npos) << progress.back();
    ASSERT_FALSE(run.progress.empty());
    EXPECT_TRUE(std::is_sorted(run.progress.begin(), run.progress.end()));
    EXPECT_LE(run.progress.front(), 0.5);
    EXPECT_GE(run.progress.back(), 0.99);
    EXPECT_EQ(ReadWholeFile(Local("first.txt")), PatternBytes(3000));
    EXPECT_EQ(ReadWholeFile(Local("second.txt")), PatternBytes(5000));

    // One file is announced as one.
    Download({"first.txt"});
    EXPECT_EQ(server_.launcher.LastRun().TextsOnLine(0),
              (std::vector<std::string>{"Downloading file ...", "Downloading file 1 of 1"}));
}

INSTANTIATE_TEST_SUITE_P(Servers, DownloadSelectionServers,
                         testing::Values(TestServerKind::kPyFtpd, TestServerKind::kVsftpd),
                         [](const testing::TestParamInfo<TestServerKind>& info) {
                             return info.param == TestServerKind::kVsftpd ? "vsftpd" : "pyftpdlib";
                         });

}  // namespace
