// Uploads against real servers: the question before a newer remote file is replaced, dropped
// files, a cancel in the middle of the queue and the item errors in the log.
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "ftp/ftp_test_support.h"
#include "upload_test_support.h"

namespace {

using namespace upload_test;

std::string OverwriteQuestion(const std::string& localPath) {
    return "A newer copy of the file \"" + localPath +
           "\" already exists in the remote folder. Do you want to overwrite it?";
}

using UploadOverwriteTest = UploadTest;

TEST_P(UploadOverwriteTest, OnlyANewerNonEmptyRemoteFileIsAskedAboutAndNoKeepsIt) {
    START_UPLOAD_SERVER();
    // Inside a folder too: the server is asked about the file's full remote path.
    MakeLocalFile("docs/kept.txt", "local kept", kTwoDays);
    MakeRemoteFile("docs/kept.txt", "remote kept");
    MakeLocalFile("docs/replaced.txt", "local replaced");
    MakeRemoteFile("docs/replaced.txt", "remote replaced", kTwoDays);
    MakeLocalFile("empty.txt", "local empty", kTwoDays);
    MakeRemoteFile("empty.txt", "");
    MakeLocalFile("after.txt", "after");
    ui().AnswerWithText("No");
    transfers().UploadSelection({Local("docs"), Local("empty.txt"), Local("after.txt")},
                                LocalRoot());

    ASSERT_EQ(ui().alerts.size(), 1u);
    EXPECT_EQ(ui().alerts[0].text, OverwriteQuestion(Local("docs/kept.txt")));
    EXPECT_EQ(ui().alerts[0].headline, "Overwrite");
    EXPECT_EQ(ui().alerts[0].checkBox, "Do this for all");
    EXPECT_EQ(ReadWholeFile(Remote("docs/kept.txt")), "remote kept");
    EXPECT_EQ(ReadWholeFile(Remote("docs/replaced.txt")), "local replaced");
    EXPECT_EQ(ReadWholeFile(Remote("empty.txt")), "local empty");
    EXPECT_EQ(ReadWholeFile(Remote("after.txt")), "after");
    EXPECT_EQ(transfers().outcome().queued, 3u);
    EXPECT_FALSE(transfers().outcome().walkEnded);
}

TEST_P(UploadOverwriteTest, YesReplacesTheNewerRemoteFile) {
    START_UPLOAD_SERVER();
    MakeLocalFile("page.html", "local", kTwoDays);
    MakeRemoteFile("page.html", "remote");
    ui().AnswerWithText("Yes");
    transfers().UploadSelection({Local("page.html")}, LocalRoot());
    EXPECT_EQ(ui().alerts.size(), 1u);
    EXPECT_EQ(ReadWholeFile(Remote("page.html")), "local");
}

TEST_P(UploadOverwriteTest, AnAnswerForAllHoldsForTheRestOfTheOperation) {
    START_UPLOAD_SERVER();
    struct Case {
        const char* answer;
        bool replaced;
    };
    const Case cases[] = {{"No", false}, {"Yes", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        std::string folder = std::string("answer-") + c.answer;
        std::vector<std::string> paths;
        for (const char* name : {"one.txt", "two.txt", "three.txt"}) {
            std::string relative = folder + "/" + name;
            paths.push_back(MakeLocalFile(relative, "local", kTwoDays));
            MakeRemoteFile(relative, "remote");
        }
        // Not newer on the server: sent whatever the answer.
        paths.push_back(MakeLocalFile(folder + "/older.txt", "local"));
        MakeRemoteFile(folder + "/older.txt", "remote", kTwoDays);
        pane.folder = RemotePath(folder);
        ui().alerts.clear();
        ui().AnswerWithText(c.answer, true);
        transfers().UploadSelection(paths, Local(folder));

        EXPECT_EQ(ui().alerts.size(), 1u);
        for (const char* name : {"one.txt", "two.txt", "three.txt"}) {
            EXPECT_EQ(ReadWholeFile(Remote(folder + "/" + name)), c.replaced ? "local" : "remote")
                << name;
        }
        EXPECT_EQ(ReadWholeFile(Remote(folder + "/older.txt")), "local");
    }
    // The next operation asks again.
    MakeLocalFile("again.txt", "local", kTwoDays);
    MakeRemoteFile("again.txt", "remote");
    pane.folder = server().folder();
    ui().alerts.clear();
    ui().AnswerWithText("No");
    transfers().UploadSelection({Local("again.txt")}, LocalRoot());
    EXPECT_EQ(ui().alerts.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Servers, UploadOverwriteTest,
                         testing::Values(TestServerKind::kPyFtpd, TestServerKind::kVsftpd),
                         ServerKindName);

// Every line the log got, in order.
std::vector<std::string> LogLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The lines that are not one of the walk's and the run's own texts.
std::vector<std::string> OtherLogLines(const std::string& text) {
    std::vector<std::string> other;
    for (const std::string& line : LogLines(text)) {
        bool known = false;
        for (const char* own : {"Queuing file: ", "Uploading directory: ", "Upload complete",
                                "Cannot upload the file list"}) {
            known = known || line.find(own) != std::string::npos;
        }
        if (!known) {
            other.push_back(line);
        }
    }
    return other;
}

using UploadDropTest = UploadTest;

TEST_P(UploadDropTest, DroppedFilesUseTheFirstFilesFolderAsBaseAndRestoreThePane) {
    START_UPLOAD_SERVER();
    // Folders of equal name length: the second folder's file lands beside the first's.
    std::string a = MakeLocalFile("one/a.txt", "a");
    std::string b = MakeLocalFile("two/b.txt", "b");
    std::string sub = MakeLocalFolder("one/sub");
    MakeLocalFile("one/sub/c.txt", "c");
    MakeRemoteFolder("clash.txt");
    std::string clash = MakeLocalFile("one/clash.txt", "clash");
    pane.selected = {"row one", "row two"};
    LogTail log;
    transfers().UploadDroppedFiles({a, b, Local("one/missing.txt"), sub, clash});

    EXPECT_EQ(ReadWholeFile(Remote("a.txt")), "a");
    EXPECT_EQ(ReadWholeFile(Remote("b.txt")), "b");
    EXPECT_EQ(ReadWholeFile(Remote("sub/c.txt")), "c");
    EXPECT_FALSE(std::filesystem::exists(Remote("missing.txt")));
    EXPECT_EQ(transfers().outcome().queued, 4u);
    EXPECT_EQ(transfers().outcome().failed, 1u);
    EXPECT_EQ(pane.refreshes, 1);
    EXPECT_EQ(ServerFolder(), server().folder());
    EXPECT_EQ(pane.reselected, pane.selected);
    // Neither the item's error nor "Upload complete".
    std::string dropLog = log.Text();
    EXPECT_EQ(dropLog.find("Upload complete"), std::string::npos);
    EXPECT_EQ(OtherLogLines(dropLog), std::vector<std::string>{});

    // The same item uploaded as a selection logs the server's reason.
    LogTail selectionLog;
    transfers().UploadSelection({clash}, Local("one"));
    EXPECT_EQ(transfers().outcome().failed, 1u);
    EXPECT_EQ(OtherLogLines(selectionLog.Text()).size(), 1u);
    EXPECT_TRUE(selectionLog.Contains("Cannot upload the file list"));
    EXPECT_TRUE(selectionLog.Contains("Upload complete"));
}

INSTANTIATE_TEST_SUITE_P(Servers, UploadDropTest,
                         testing::Values(TestServerKind::kPyFtpd, TestServerKind::kVsftpd),
                         ServerKindName);

using UploadCancelTest = UploadTest;

TEST_P(UploadCancelTest, AfterACancelTheRemainingItemsAreStillTriedAndEndAtOnceAsStopped) {
    START_UPLOAD_SERVER();
    std::vector<std::string> paths;
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
        paths.push_back(MakeLocalFile(name, std::string(20000, name[0])));
    }
    StopOnStatusLauncher launcher(0, "Uploading file 2 of 3");
    SelectionTransfers transfers(server().session, pane, ui(), launcher);
    LogTail log;
    auto start = std::chrono::steady_clock::now();
    transfers.UploadSelection(paths, LocalRoot());
    auto elapsed = std::chrono::steady_clock::now() - start;

    // Sent in reverse order: c.txt went through before the cancel.
    EXPECT_EQ(ReadWholeFile(Remote("c.txt")), std::string(20000, 'c'));
    EXPECT_FALSE(std::filesystem::exists(Remote("b.txt")));
    EXPECT_FALSE(std::filesystem::exists(Remote("a.txt")));
    std::vector<std::string> names = launcher.recording.TextsOnLine(1);
    EXPECT_NE(std::find(names.begin(), names.end(), "a.txt"), names.end());
    EXPECT_EQ(launcher.recording.LastTextOnLine(0), "Uploading file 3 of 3");
    EXPECT_TRUE(transfers.outcome().stopped);
    EXPECT_EQ(transfers.outcome().queued, 3u);
    EXPECT_EQ(transfers.outcome().stoppedItems, 2u);
    EXPECT_EQ(transfers.outcome().failed, 0u);
    std::vector<std::string> lines = LogLines(log.Text());
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) {
                                return line.find("LPROCESS_STOPPED") != std::string::npos;
                            }),
              2);
    EXPECT_TRUE(log.Contains("Cannot upload the file list"));
    EXPECT_TRUE(log.Contains("Upload complete"));
    EXPECT_EQ(pane.refreshes, 1);
    // No wait ran into a time-out after the cancel.
    EXPECT_LT(elapsed, std::chrono::seconds(15));
}

INSTANTIATE_TEST_SUITE_P(Servers, UploadCancelTest,
                         testing::Values(TestServerKind::kPyFtpd, TestServerKind::kVsftpd),
                         ServerKindName);

TEST(UploadWithoutConnection, DoesNothing) {
    ScriptedUiServices ui;
    ScriptedProcessLauncher launcher;
    LFtpList session(ui, launcher);
    FakeTransferPane pane;
    SelectionTransfers transfers(session, pane, ui, launcher);
    TempFolder local("brindle-upload");
    WriteWholeFile(local.File("a.txt"), "a");
    transfers.UploadSelection({local.File("a.txt")}, local.path());
    transfers.UploadDroppedFiles({local.File("a.txt")});
    EXPECT_TRUE(launcher.titles.empty());
    EXPECT_EQ(pane.refreshes, 0);
    EXPECT_TRUE(ui.alerts.empty());
}

}  // namespace
