// Uploads of local selections against real servers: the tree that arrives, the folders made
// before any file is sent, the remote names, the upload name rules and a walk that cannot enter
// a remote folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "ftp/ftp_test_support.h"
#include "transfer/transfer_queue.h"
#include "upload_test_support.h"

namespace {

using namespace upload_test;

using UploadSelectionTest = UploadTest;

TEST_P(UploadSelectionTest, ATreeArrivesIdenticalWithItsFoldersMadeBeforeAnyFileIsSent) {
    START_UPLOAD_SERVER();
    MakeLocalFile("base/site/index.html", "<html>home</html>\n");
    MakeLocalFile("base/site/My Page.html", "<html>mine</html>\n");
    MakeLocalFile("base/site/css/style.css", std::string(5000, 'c'));
    MakeLocalFile(
        "base/site/\xC3\x9Cnic\xC3\xB6"
        "de \xE6\x96\x87\xE4\xBB\xB6.txt",
        "utf-8 name");
    MakeLocalFile("base/site/zero.dat", "");
    MakeLocalFolder("base/site/empty folder");
    MakeLocalFolder("base/site/css/deeper/deepest");
    MakeLocalFile("base/top file.txt", "top");
    const std::string base = Local("base");

    std::map<std::string, std::string> atRunStart;
    server().launcher.prepare = [&](RecordingProcessInterface&) {
        atRunStart = TreeSnapshot(server().onDisk());
    };
    LogTail log;
    transfers().UploadSelection({Local("base/site"), Local("base/top file.txt")}, base);

    EXPECT_EQ(TreeSnapshot(server().onDisk()), TreeSnapshot(base));
    // Every folder was on the server, and no file, when the first file was sent.
    std::map<std::string, std::string> folders;
    for (const auto& [name, content] : TreeSnapshot(base)) {
        if (content == "folder") {
            folders[name] = content;
        }
    }
    EXPECT_EQ(atRunStart, folders);

    EXPECT_EQ(server().launcher.titles.back(), "Uploading file list");
    RecordingProcessInterface& run = server().launcher.LastRun();
    std::vector<std::string> counters = run.TextsOnLine(0);
    ASSERT_FALSE(counters.empty());
    EXPECT_EQ(counters.front(), "Uploading files ...");
    EXPECT_NE(std::find(counters.begin(), counters.end(), "Uploading file 6 of 6"), counters.end());
    EXPECT_EQ(transfers().outcome().queued, 6u);
    EXPECT_EQ(transfers().outcome().failed, 0u);
    EXPECT_FALSE(transfers().outcome().walkEnded);
    EXPECT_FALSE(transfers().outcome().stopped);
    EXPECT_EQ(pane.refreshes, 1);
    EXPECT_EQ(ServerFolder(), server().folder());
    EXPECT_TRUE(log.Contains("Uploading directory: " + Local("base/site/css")));
    EXPECT_TRUE(log.Contains("Queuing file: " + Local("base/site/css/style.css")));
    EXPECT_TRUE(log.Contains("Upload complete"));
    EXPECT_FALSE(log.Contains("Cannot upload the file list"));
}

TEST_P(UploadSelectionTest, FilesAreSentInTheReverseOrderOfQueuing) {
    START_UPLOAD_SERVER();
    MakeLocalFile("first.txt", "1");
    MakeLocalFile("second.txt", "2");
    transfers().UploadSelection({Local("first.txt"), Local("second.txt")}, LocalRoot());

    std::vector<std::string> names = server().launcher.LastRun().TextsOnLine(1);
    auto second = std::find(names.begin(), names.end(), "second.txt");
    auto first = std::find(names.begin(), names.end(), "first.txt");
    ASSERT_NE(second, names.end());
    ASSERT_NE(first, names.end());
    EXPECT_LT(second, first);
    EXPECT_EQ(ReadWholeFile(Remote("first.txt")), "1");
    EXPECT_EQ(ReadWholeFile(Remote("second.txt")), "2");
}

TEST_P(UploadSelectionTest, AFolderQueuesItsFilesByNamesRelativeToTheStartFolder) {
    START_UPLOAD_SERVER();
    MakeLocalFile("site/index.html", "i");
    MakeLocalFile("site/css/style.css", "s");
    // Queue building on its own, after an operation with nothing to upload has remembered the
    // pane's folder as the start folder.
    transfers().UploadSelection({}, LocalRoot());
    EXPECT_TRUE(server().launcher.titles.back() != "Uploading file list");
    FtpTransferQueue queue(&server().session.connection);
    ASSERT_TRUE(transfers().UploadItem(queue, LocalRoot(), Local("site")));

    std::vector<std::pair<std::string, std::string>> items;
    for (const FtpTransferItem& item : queue.items) {
        items.emplace_back(item.remoteName, item.localPath);
        EXPECT_EQ(item.conn, &server().session.connection);
    }
    std::sort(items.begin(), items.end());
    EXPECT_EQ(items, (std::vector<std::pair<std::string, std::string>>{
                         {"site/css/style.css", Local("site/css/style.css")},
                         {"site/index.html", Local("site/index.html")}}));
    EXPECT_EQ(queue.count, 2u);
}

TEST_P(UploadSelectionTest, AFolderThatCannotBeEnteredEndsTheWalkAndWhatWasQueuedIsSent) {
    START_UPLOAD_SERVER();
    MakeLocalFile("a.txt", "a");
    MakeLocalFile("blocked/inner.txt", "inner");
    MakeLocalFile("z.txt", "z");
    // A file of that name on the server: the folder can be neither made nor entered.
    MakeRemoteFile("blocked", "a file");
    LogTail log;
    transfers().UploadSelection({Local("a.txt"), Local("blocked"), Local("z.txt")}, LocalRoot());

    EXPECT_EQ(ReadWholeFile(Remote("a.txt")), "a");
    EXPECT_FALSE(std::filesystem::exists(Remote("z.txt")));
    EXPECT_EQ(ReadWholeFile(Remote("blocked")), "a file");
    EXPECT_TRUE(log.Contains("Unable to change directory: " + RemotePath("blocked")));
    EXPECT_TRUE(transfers().outcome().walkEnded);
    EXPECT_EQ(transfers().outcome().queued, 1u);
    EXPECT_EQ(transfers().outcome().failed, 0u);
    EXPECT_EQ(ServerFolder(), server().folder());
    EXPECT_TRUE(log.Contains("Upload complete"));
}

TEST_P(UploadSelectionTest, ALinkBackToItsOwnFolderEndsWhereThePathNoLongerFits) {
    START_UPLOAD_SERVER();
    MakeLocalFile("tree/a.txt", "a");
    // A long name: the path outgrows its limit before the system's limit on links is reached.
    const std::string link = "a link back to its own folder";
    std::filesystem::create_directory_symlink(".", Local("tree/" + link));
    LogTail log;
    transfers().UploadSelection({Local("tree")}, LocalRoot());

    EXPECT_EQ(ReadWholeFile(Remote("tree/a.txt")), "a");
    EXPECT_EQ(ReadWholeFile(Remote("tree/" + link + "/" + link + "/a.txt")), "a");
    EXPECT_TRUE(log.Contains("Skipping upload of item with too long a path: "));
    EXPECT_FALSE(transfers().outcome().walkEnded);
    EXPECT_EQ(transfers().outcome().failed, 0u);
}

INSTANTIATE_TEST_SUITE_P(Servers, UploadSelectionTest,
                         testing::Values(TestServerKind::kPyFtpd, TestServerKind::kVsftpd),
                         ServerKindName);

// The name rules are the server's business only through the names they send.
using UploadNameRulesTest = UploadTest;

TEST_P(UploadNameRulesTest, FileNamesFollowTheRulesAndFolderNamesStayAsTheyAre) {
    START_UPLOAD_SERVER();
    struct Case {
        bool noSpaces;
        bool lowerCase;
        const char* folder;  // a fresh local folder holding "My File.TXT" and "Sub Dir/Deep.TXT"
        const char* file;
        const char* deep;
    };
    const Case cases[] = {
        {false, false, "plain", "My File.TXT", "Sub Dir/Deep.TXT"},
        {true, false, "spaces", "My_File.TXT", "Sub Dir/Deep.TXT"},
        {false, true, "lower", "my file.txt", "Sub Dir/deep.txt"},
        {true, true, "both", "my_file.txt", "Sub Dir/deep.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        UploadNameRules rules(c.noSpaces, c.lowerCase);
        std::string folder = c.folder;
        MakeLocalFile(folder + "/My File.TXT", "file");
        MakeLocalFile(folder + "/Sub Dir/Deep.TXT", "deep");
        pane.folder = RemotePath(folder);
        MakeRemoteFolder(folder);
        transfers().UploadSelection({Local(folder + "/My File.TXT"), Local(folder + "/Sub Dir")},
                                    Local(folder));
        EXPECT_EQ(TreeSnapshot(Remote(folder)),
                  (std::map<std::string, std::string>{
                      {c.file, "file:file"}, {"Sub Dir", "folder"}, {c.deep, "file:deep"}}));
        EXPECT_EQ(transfers().outcome().failed, 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, UploadNameRulesTest, testing::Values(TestServerKind::kPyFtpd),
                         ServerKindName);

}  // namespace
