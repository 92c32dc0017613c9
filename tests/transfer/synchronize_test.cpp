// Two-way synchronization of the local pane's folder with the remote pane's folder, against
// pyftpdlib (MLSD times in seconds), vsftpd (LIST times to the minute, read as local wall-clock
// time) and a scripted server listing names that must end the walk.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "ftp/current_directory.h"
#include "ftp/ftp_features.h"
#include "ftp/ftp_test_support.h"
#include "ftp/remote_listing.h"
#include "ftp/time_zone_guard.h"
#include "transfer/download_names.h"
#include "transfer/local_tree.h"
#include "transfer/selection_transfers.h"
#include "transfer/transfer_test_support.h"

namespace {

constexpr time_t kDay = 24 * 60 * 60;
constexpr time_t kJan2010 = 1262304000;

// A whole minute `days` days ago: vsftpd lists recent times to the minute.
time_t DaysAgo(time_t days) {
    return time(nullptr) / 60 * 60 - days * kDay;
}

std::size_t Occurrences(const std::string& text, const std::string& piece) {
    std::size_t count = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos;
         at = text.find(piece, at + 1)) {
        ++count;
    }
    return count;
}

// A local folder, a logged-on session whose remote pane shows the folder the session starts in,
// and the command under test working on both.
class SynchronizeBase : public testing::Test {
protected:
    explicit SynchronizeBase(TestServerKind kind) : server_(kind) {}

    void SetUp() override { ASSERT_TRUE(MakeFolder(local_)); }

    // Starts the server; the pane shows the folder the session starts in.
    bool Start(std::string& why) {
        if (!server_.Start(why)) {
            return false;
        }
        pane_.folder = server_.folder();
        return true;
    }

    std::string Local(const std::string& relative) const { return local_ + "/" + relative; }
    std::string Remote(const std::string& relative) const {
        return server_.onDisk() + "/" + relative;
    }

    // Items on the server's disk that vsftpd's anonymous user may also overwrite and fill.
    void MakeRemoteFile(const std::string& relative, const std::string& bytes, time_t modified) {
        ASSERT_TRUE(MakeFile(Remote(relative), bytes, modified)) << relative;
        ASSERT_EQ(chmod(Remote(relative).c_str(), 0666), 0);
    }
    void MakeRemoteFolder(const std::string& relative) {
        ASSERT_TRUE(MakeFolder(Remote(relative))) << relative;
        ASSERT_EQ(chmod(Remote(relative).c_str(), 0777), 0);
    }
    void MakeLocalFile(const std::string& relative, const std::string& bytes, time_t modified) {
        ASSERT_TRUE(MakeFile(Local(relative), bytes, modified)) << relative;
    }

    // What the local pane lists: every entry but those whose names begin with a dot, by name.
    std::vector<std::string> LocalItems() const {
        std::vector<std::string> items;
        for (const auto& entry : std::filesystem::directory_iterator(local_)) {
            if (!entry.path().filename().string().starts_with(".")) {
                items.push_back(entry.path().string());
            }
        }
        std::sort(items.begin(), items.end());
        return items;
    }
    void Sync() { transfers_.Synchronize(local_, LocalItems()); }

    std::string ServerFolder() {
        std::string folder;
        EXPECT_TRUE(FtpGetCurrentDirectoryQuiet(server_.session.connection, folder));
        return folder;
    }
    // True when a process run from `firstRun` on showed a text naming `name`.
    bool RunsMention(std::size_t firstRun, const std::string& name) const {
        for (std::size_t i = firstRun; i < server_.launcher.runs.size(); ++i) {
            for (const auto& status : server_.launcher.runs[i]->statusTexts) {
                if (status.text.find(name) != std::string::npos) {
                    return true;
                }
            }
        }
        return false;
    }
    // The names the remote pane's folder lists, in the server's order.
    std::vector<std::string> RemoteNames() {
        std::vector<std::string> names;
        FtpDirList list(server_.session.connection);
        for (; !list.AtEnd(); list.Next()) {
            if (!IsDotEntry(list.CurrentName())) {
                names.push_back(list.CurrentName());
            }
        }
        return names;
    }

    ServerSession server_;
    TempFolder base_{"brindle-sync"};
    const std::string local_ = base_.File("local");
    FakeTransferPane pane_;
    SelectionTransfers transfers_{server_.session, pane_, server_.ui, server_.launcher};
};

class SynchronizeServers : public SynchronizeBase,
                           public testing::WithParamInterface<TestServerKind> {
protected:
    SynchronizeServers() : SynchronizeBase(GetParam()) {}
};

// Times to the second: only MLSD gives them.
class SynchronizePyftpd : public SynchronizeBase {
protected:
    SynchronizePyftpd() : SynchronizeBase(TestServerKind::kPyFtpd) {}
};

class SynchronizeVsftpd : public SynchronizeBase {
protected:
    SynchronizeVsftpd() : SynchronizeBase(TestServerKind::kVsftpd) {}
};

TEST_P(SynchronizeServers, ItemsOnOneSideOnlyAreCopiedToTheOtherAsWholeTrees) {
    START_OR_END_TEST(Start(why_));
    // The pane shows a folder below the session's start, which the remote paths follow.
    MakeRemoteFolder("site");
    pane_.folder = server_.folder() == "/" ? "/site" : server_.folder() + "/site";
    ASSERT_TRUE(FtpChangeDirectoryQuiet(server_.session.connection, pane_.folder));
    MakeRemoteFile("site/server only.txt", "from the server", kJan2010 + 61);
    MakeRemoteFolder("site/server_dir");
    MakeRemoteFolder("site/server_dir/deeper");
    MakeRemoteFile("site/server_dir/inner.txt", "inner", kJan2010 + 86400 * 40 + 7);
    MakeRemoteFile("site/server_dir/deeper/deep.txt", "deep", kJan2010 + 86400 * 400 + 3599);
    MakeLocalFile("local_only.txt", "from here", DaysAgo(3));
    ASSERT_TRUE(MakeFolder(Local("local_dir")));
    ASSERT_TRUE(MakeFolder(Local("local_dir/sub")));
    MakeLocalFile("local_dir/a.txt", "a", DaysAgo(4));
    MakeLocalFile("local_dir/sub/b.txt", std::string(70000, 'b'), DaysAgo(5));
    // Not in the local pane, so not offered to the server.
    MakeLocalFile(".hidden", "hidden", DaysAgo(3));
    const std::size_t runsBefore = server_.launcher.titles.size();
    server_.ui.AnswerWithText("Yes");
    LogTail log;

    Sync();

    std::map<std::string, std::string> remote = TreeSnapshot(Remote("site"));
    ASSERT_EQ(remote.size(), 10u);
    std::map<std::string, std::string> local = TreeSnapshot(local_);
    EXPECT_EQ(local.erase(".hidden"), 1u);
    EXPECT_EQ(local, remote);
    EXPECT_EQ(ModifiedTime(Local("server only.txt")), kJan2010 + 61);
    EXPECT_EQ(ModifiedTime(Local("server_dir/inner.txt")), kJan2010 + 86400 * 40 + 7);
    EXPECT_EQ(ModifiedTime(Local("server_dir/deeper/deep.txt")), kJan2010 + 86400 * 400 + 3599);
    // Only the confirmation was asked; all downloads ran before all uploads.
    EXPECT_EQ(server_.ui.alerts.size(), 1u);
    EXPECT_EQ(std::vector<std::string>(server_.launcher.titles.begin() + runsBefore,
                                       server_.launcher.titles.end()),
              (std::vector<std::string>{"Downloading file list", "Uploading file list"}));
    EXPECT_EQ(server_.ui.busyCalls, (std::vector<bool>{true, false}));
    EXPECT_EQ(pane_.refreshes, 1);
    EXPECT_EQ(ServerFolder(), pane_.folder);
    const std::string text = log.Text();
    const std::size_t started = text.find("Synchronizing...This may take a few minutes.");
    const std::size_t completed = text.find("Synchronize completed.");
    ASSERT_NE(started, std::string::npos) << text;
    ASSERT_NE(completed, std::string::npos) << text;
    EXPECT_LT(started, completed);
    EXPECT_EQ(Occurrences(text, "Downloaded file OK."), 3u);
    EXPECT_EQ(text.find("Cannot "), std::string::npos) << text;
    EXPECT_EQ(transfers_.outcome().queued, 6u);
    EXPECT_EQ(transfers_.outcome().failed, 0u);
    EXPECT_FALSE(transfers_.outcome().walkEnded);
    EXPECT_FALSE(transfers_.outcome().declined);
}

TEST_P(SynchronizeServers, TheNewerCopyWinsInBothDirections) {
    START_OR_END_TEST(Start(why_));
    // Days apart, in whole minutes: LIST times are minutes of the local wall clock.
    const time_t newer = DaysAgo(2);
    const time_t older = DaysAgo(9);
    MakeRemoteFile("remote_newer.txt", "remote copy, newer", newer);
    MakeLocalFile("remote_newer.txt", "local copy, older", older);
    MakeRemoteFile("local_newer.txt", "remote copy, older", older);
    MakeLocalFile("local_newer.txt", "local copy, newer", newer);
    server_.ui.AnswerWithText("Yes");

    Sync();

    EXPECT_EQ(ReadWholeFile(Local("remote_newer.txt")), "remote copy, newer");
    EXPECT_EQ(ModifiedTime(Local("remote_newer.txt")), newer);
    EXPECT_EQ(ReadWholeFile(Remote("remote_newer.txt")), "remote copy, newer");
    EXPECT_EQ(ReadWholeFile(Remote("local_newer.txt")), "local copy, newer");
    EXPECT_EQ(ReadWholeFile(Local("local_newer.txt")), "local copy, newer");
    EXPECT_EQ(ModifiedTime(Local("local_newer.txt")), newer);
    // No overwrite question: each side replaced an older copy.
    EXPECT_EQ(server_.ui.alerts.size(), 1u);
    EXPECT_EQ(transfers_.outcome().queued, 2u);
    EXPECT_EQ(transfers_.outcome().failed, 0u);
}

// A folder uploaded by the remote walk leaves the server inside it; the names listed after it
// must still be looked for in the pane's folder.
TEST_P(SynchronizeServers, FoldersListedAfterAnUploadedFolderAreStillDownloadedWhole) {
    START_OR_END_TEST(Start(why_));
    for (const std::string folder : {"d1", "d2", "d3"}) {
        MakeRemoteFolder(folder);
        MakeRemoteFile(folder + "/in_" + folder + ".txt", "remote " + folder, kJan2010 + 120);
        ASSERT_TRUE(SetModified(Remote(folder), DaysAgo(9)));
    }
    std::vector<std::string> listed = RemoteNames();
    ASSERT_EQ(listed.size(), 3u);
    // The first one listed is newer here, so the two after it follow its upload.
    const std::string uploaded = listed.front();
    ASSERT_TRUE(MakeFolder(Local(uploaded)));
    MakeLocalFile(uploaded + "/mine.txt", "local", DaysAgo(3));
    ASSERT_TRUE(SetModified(Local(uploaded), DaysAgo(2)));
    server_.ui.AnswerWithText("Yes");
    LogTail log;

    Sync();

    EXPECT_EQ(ReadWholeFile(Remote(uploaded + "/mine.txt")), "local");
    for (std::size_t i = 1; i < listed.size(); ++i) {
        const std::string& name = listed[i];
        SCOPED_TRACE(name);
        EXPECT_EQ(ReadWholeFile(Local(name + "/in_" + name + ".txt")), "remote " + name);
        EXPECT_EQ(ModifiedTime(Local(name + "/in_" + name + ".txt")), kJan2010 + 120);
    }
    EXPECT_EQ(transfers_.outcome().failed, 0u);
    EXPECT_EQ(log.Text().find("Cannot "), std::string::npos) << log.Text();
    EXPECT_EQ(ServerFolder(), server_.folder());
}

INSTANTIATE_TEST_SUITE_P(Servers, SynchronizeServers,
                         testing::Values(TestServerKind::kPyFtpd, TestServerKind::kVsftpd),
                         [](const testing::TestParamInfo<TestServerKind>& info) {
                             return info.param == TestServerKind::kVsftpd ? "vsftpd" : "pyftpdlib";
                         });

TEST_F(SynchronizePyftpd, EqualTimesTransferNothingForThatName) {
    START_OR_END_TEST(Start(why_));
    const time_t same = kJan2010 + 86400 * 100 + 17;
    MakeRemoteFile("same.txt", "remote bytes", same);
    MakeLocalFile("same.txt", "local bytes", same);
    // A folder's own time decides for its whole tree.
    MakeRemoteFolder("same_dir");
    MakeRemoteFile("same_dir/remote_side.txt", "remote", kJan2010);
    ASSERT_TRUE(SetModified(Remote("same_dir"), same));
    ASSERT_TRUE(MakeFolder(Local("same_dir")));
    MakeLocalFile("same_dir/local_side.txt", "local", kJan2010);
    ASSERT_TRUE(SetModified(Local("same_dir"), same));
    MakeRemoteFile("remote_only.txt", "remote only", kJan2010);
    const std::size_t runsBefore = server_.launcher.runs.size();
    server_.ui.AnswerWithText("Yes");
    LogTail log;

    Sync();

    EXPECT_EQ(ReadWholeFile(Local("remote_only.txt")), "remote only");
    EXPECT_EQ(ReadWholeFile(Local("same.txt")), "local bytes");
    EXPECT_EQ(ReadWholeFile(Remote("same.txt")), "remote bytes");
    EXPECT_EQ(ModifiedTime(Remote("same.txt")), same);
    EXPECT_EQ(TreeSnapshot(Local("same_dir")),
              (std::map<std::string, std::string>{{"local_side.txt", "file:local"}}));
    EXPECT_EQ(TreeSnapshot(Remote("same_dir")),
              (std::map<std::string, std::string>{{"remote_side.txt", "file:remote"}}));
    const std::string text = log.Text();
    EXPECT_NE(text.find("Queuing file: remote_only.txt"), std::string::npos) << text;
    for (const std::string name : {"same.txt", "same_dir", "remote_side.txt", "local_side.txt"}) {
        EXPECT_EQ(text.find("Queuing file: " + name), std::string::npos) << name;
        EXPECT_EQ(text.find("Queuing file: " + Local(name)), std::string::npos) << name;
        EXPECT_FALSE(RunsMention(runsBefore, name)) << name;
    }
    EXPECT_TRUE(RunsMention(runsBefore, "remote_only.txt"));
    EXPECT_EQ(transfers_.outcome().queued, 1u);
}

// The existence check looks for the lower-cased, underscored name ("my_file.txt"), so a file
// the server holds under the name as written locally is sent again, even with equal times.
TEST_F(SynchronizePyftpd, ALocalNameWithCapitalsAndSpacesIsUploadedAgain) {
    START_OR_END_TEST(Start(why_));
    const time_t same = kJan2010 + 86400 * 300 + 5;
    MakeRemoteFile("My File.txt", "the server's bytes", same);
    MakeLocalFile("My File.txt", "the local bytes", same);
    MakeRemoteFile("plain_file.txt", "the server's bytes", same);
    MakeLocalFile("plain_file.txt", "the local bytes", same);
    const std::size_t runsBefore = server_.launcher.runs.size();
    server_.ui.AnswerWithText("Yes");
    LogTail log;

    Sync();

    EXPECT_EQ(ReadWholeFile(Remote("My File.txt")), "the local bytes");
    EXPECT_EQ(ReadWholeFile(Remote("plain_file.txt")), "the server's bytes");
    EXPECT_EQ(TreeSnapshot(server_.onDisk()).size(), 2u);
    EXPECT_NE(log.Text().find("Queuing file: " + Local("My File.txt")), std::string::npos);
    EXPECT_TRUE(RunsMention(runsBefore, "My File.txt"));
    EXPECT_FALSE(RunsMention(runsBefore, "plain_file.txt"));
    EXPECT_EQ(server_.ui.alerts.size(), 1u);
    EXPECT_EQ(transfers_.outcome().queued, 1u);
}

// An uploaded folder leaves the server inside it; the next local item's existence check must
// still list the pane's folder.
TEST_F(SynchronizePyftpd, TheExistenceCheckAfterAnUploadedFolderListsThePanesFolder) {
    START_OR_END_TEST(Start(why_));
    const time_t same = kJan2010 + 86400 * 20 + 9;
    ASSERT_TRUE(MakeFolder(Local("a_new_folder")));
    ASSERT_TRUE(MakeFolder(Local("a_new_folder/inside")));
    MakeLocalFile("a_new_folder/inside/x.txt", "x", same);
    MakeLocalFile("b_same.txt", "local bytes", same);
    MakeRemoteFile("b_same.txt", "remote bytes", same);
    ASSERT_EQ(LocalItems(), (std::vector<std::string>{Local("a_new_folder"), Local("b_same.txt")}));
    server_.ui.AnswerWithText("Yes");
    LogTail log;

    Sync();

    EXPECT_EQ(ReadWholeFile(Remote("a_new_folder/inside/x.txt")), "x");
    EXPECT_EQ(ReadWholeFile(Remote("b_same.txt")), "remote bytes");
    EXPECT_EQ(log.Text().find("Queuing file: " + Local("b_same.txt")), std::string::npos);
    EXPECT_EQ(transfers_.outcome().queued, 1u);
    EXPECT_EQ(ServerFolder(), server_.folder());
}

TEST_F(SynchronizePyftpd, NoToTheConfirmationChangesNothingAndLogsNothing) {
    START_OR_END_TEST(Start(why_));
    MakeRemoteFile("remote_only.txt", "remote", kJan2010);
    MakeLocalFile("local_only.txt", "local", kJan2010);
    MakeRemoteFile("both.txt", "remote, newer", kJan2010 + kDay);
    MakeLocalFile("both.txt", "local, older", kJan2010);
    const auto localBefore = TreeSnapshot(local_);
    const auto remoteBefore = TreeSnapshot(server_.onDisk());
    const std::size_t runsBefore = server_.launcher.titles.size();
    server_.ui.AnswerWithText("No", true);
    LogTail log;

    Sync();

    ASSERT_EQ(server_.ui.alerts.size(), 1u);
    const LAlertParams& alert = server_.ui.alerts[0];
    EXPECT_EQ(alert.text, "This action will synchronize all data in the local folder\n\"" + local_ +
                              "\"\nwith the remote folder\n\"/\".\nDo you want to continue?");
    EXPECT_EQ(alert.headline, "Synchronize");
    EXPECT_EQ(alert.button1, "Yes");
    EXPECT_EQ(alert.button2, "No");
    EXPECT_EQ(alert.checkBox, "Do not ask again.");
    EXPECT_EQ(TreeSnapshot(local_), localBefore);
    EXPECT_EQ(TreeSnapshot(server_.onDisk()), remoteBefore);
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(server_.launcher.titles.size(), runsBefore);
    EXPECT_TRUE(server_.ui.busyCalls.empty());
    EXPECT_EQ(pane_.refreshes, 0);
    EXPECT_TRUE(transfers_.outcome().declined);
    EXPECT_EQ(transfers_.outcome().queued, 0u);
}

TEST_F(SynchronizePyftpd, DoNotAskAgainWithYesSkipsTheLaterConfirmationsOfTheSameCommands) {
    struct Case {
        const char* name;
        const char* button;
        bool doNotAskAgain;
        std::size_t questions;  // over three synchronizations
        std::size_t completed;
    };
    const Case cases[] = {
        {"Yes, do not ask again", "Yes", true, 1, 3},
        {"Yes", "Yes", false, 3, 3},
        {"No, do not ask again", "No", true, 3, 2},
    };
    START_OR_END_TEST(Start(why_));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SelectionTransfers transfers(server_.session, pane_, server_.ui, server_.launcher);
        server_.ui.alerts.clear();
        // Later confirmations, if any, take the first button: Yes, without the check box.
        server_.ui.AnswerWithText(c.button, c.doNotAskAgain);
        LogTail log;
        for (int i = 0; i < 3; ++i) {
            transfers.Synchronize(local_, LocalItems());
            EXPECT_EQ(transfers.outcome().declined, i == 0 && c.button == std::string("No"));
        }
        EXPECT_EQ(server_.ui.alerts.size(), c.questions);
        EXPECT_EQ(Occurrences(log.Text(), "Synchronize completed."), c.completed);
        // Another window's commands ask again.
        SelectionTransfers other(server_.session, pane_, server_.ui, server_.launcher);
        other.Synchronize(local_, LocalItems());
        EXPECT_EQ(server_.ui.alerts.size(), c.questions + 1);
    }
}

// The remote time of a LIST line is the local wall clock's reading of what vsftpd lists in UTC;
// the direction follows that reading, and the overwrite questions then still compare the true
// times from MDTM.
TEST_F(SynchronizeVsftpd, ListedTimesAreReadAsLocalWallClockTime) {
    struct Case {
        const char* zone;
        time_t remoteOffset;  // remote time minus local time, in truth
        bool downloaded;
        const char* question;
    };
    const Case cases[] = {
        // Twelve hours west: the listed time reads twelve hours late.
        {"XYZ+12", -6 * 3600, true,
         "A newer copy of the file \"clock.txt\" already exists in the local folder. Do you want "
         "to overwrite it?"},
        // Twelve hours east: it reads twelve hours early.
        {"XYZ-12", 6 * 3600, false, nullptr},
    };
    START_OR_END_TEST(Start(why_));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.zone);
        TimeZoneGuard zone(c.zone);
        const time_t localTime = DaysAgo(3);
        MakeLocalFile("clock.txt", "local", localTime);
        MakeRemoteFile("clock.txt", "remote", localTime + c.remoteOffset);
        server_.ui.alerts.clear();
        server_.ui.AnswerWithText("Yes");
        server_.ui.AnswerWithText("Yes");

        Sync();

        ASSERT_EQ(server_.ui.alerts.size(), 2u);
        const std::string question =
            c.question != nullptr
                ? std::string(c.question)
                : "A newer copy of the file \"" + Local("clock.txt") +
                      "\" already exists in the remote folder. Do you want to overwrite it?";
        EXPECT_EQ(server_.ui.alerts[1].text, question);
        EXPECT_EQ(server_.ui.alerts[1].headline, "Overwrite");
        const char* winner = c.downloaded ? "remote" : "local";
        EXPECT_EQ(ReadWholeFile(Local("clock.txt")), winner);
        EXPECT_EQ(ReadWholeFile(Remote("clock.txt")), winner);
        if (c.downloaded) {
            EXPECT_EQ(ModifiedTime(Local("clock.txt")), localTime + c.remoteOffset);
        }
    }
}

TEST_F(SynchronizeVsftpd, AFolderThatCannotBeEnteredEndsTheWalkAndNothingIsTransferred) {
    START_OR_END_TEST(Start(why_));
    MakeRemoteFile("a_remote.txt", "remote", DaysAgo(5));
    MakeRemoteFile("z_remote.txt", "remote", DaysAgo(5));
    MakeRemoteFile("newer_here.txt", "remote, older", DaysAgo(9));
    MakeLocalFile("newer_here.txt", "local, newer", DaysAgo(2));
    MakeLocalFile("local_only.txt", "local", DaysAgo(2));
    // vsftpd's anonymous user may see the folder listed but not enter it.
    ASSERT_TRUE(MakeFolder(Remote("locked")));
    ASSERT_EQ(chmod(Remote("locked").c_str(), 0700), 0);
    MakeRemoteFile("locked/inside.txt", "locked", DaysAgo(5));
    const auto localBefore = TreeSnapshot(local_);
    const auto remoteBefore = TreeSnapshot(server_.onDisk());
    const std::size_t runsBefore = server_.launcher.titles.size();
    server_.ui.AnswerWithText("Yes");
    LogTail log;

    Sync();

    // The download walk makes the local folder before it tries to enter the remote one.
    auto localExpected = localBefore;
    localExpected["locked"] = "folder";
    EXPECT_EQ(TreeSnapshot(local_), localExpected);
    EXPECT_EQ(TreeSnapshot(server_.onDisk()), remoteBefore);
    EXPECT_EQ(server_.launcher.titles.size(), runsBefore);
    const std::string text = log.Text();
    EXPECT_NE(text.find("Synchronizing...This may take a few minutes."), std::string::npos);
    EXPECT_NE(text.find("Cannot change directory: /pub/locked"), std::string::npos) << text;
    EXPECT_EQ(text.find("Synchronize completed."), std::string::npos);
    EXPECT_EQ(server_.ui.busyCalls, (std::vector<bool>{true, false}));
    EXPECT_EQ(pane_.refreshes, 0);
    EXPECT_TRUE(transfers_.outcome().walkEnded);
    EXPECT_EQ(transfers_.outcome().queued, 0u);
    EXPECT_EQ(ServerFolder(), "/pub");
}

// A LIST line of an item dated 5 Jan 2016.
std::string ListLine(char type, const std::string& name) {
    return std::string(1, type) + "rw-r--r--    1 ftp      ftp             7 Jan 05  2016 " + name +
           "\r\n";
}

// Listed names that could reach outside the local folder end the walk with a warning, before a
// local item is compared with them and before anything is transferred; the server ends where the
// pane is.
TEST(SynchronizeHostileListing, ASuspiciousNameEndsTheWalkBeforeAnythingMoves) {
    struct Case {
        const char* name;
        std::string listing;  // of "/"
        std::string inner;    // of "/sub", when the walk enters it
        std::string warned;   // the name the warning gives
    };
    const Case cases[] = {
        {"a name with a slash inside a folder",
         ListLine('-', "good.txt") + ListLine('d', "sub") + ListLine('-', "after.txt"),
         ListLine('-', "a/b"), "a/b"},
        // Below, the local file it names is newer than the listed date: a walk that compared
        // them would upload it.
        {"a path up to a newer local file",
         ListLine('-', "../outside.txt") + ListLine('-', "after.txt"), "", "../outside.txt"},
        {"a link whose own name leads up",
         ListLine('l', "../outside.txt -> /etc/passwd") + ListLine('-', "after.txt"), "",
         "../outside.txt -> /etc/passwd"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder base("brindle-sync-hostile");
        const std::string local = base.File("local");
        ASSERT_TRUE(MakeFolder(local));
        ASSERT_TRUE(MakeFile(base.File("outside.txt"), "private", time(nullptr)));
        const auto before = TreeSnapshot(base.path());

        ScriptedFtpServer ftp;
        ftp.Reply("TYPE A", "200 Type set to A.\r\n");
        ftp.Passive(c.listing);
        ftp.Reply("LIST", "150 Here comes the listing.\r\n226 Transfer complete.\r\n");
        if (!c.inner.empty()) {
            ftp.TypeIs("good.txt", "file");
            ftp.TypeIs("sub", "dir");
            ftp.Reply("PWD", "257 \"/\" is the current directory.\r\n");
            ftp.Reply("CWD /sub", "250 Directory changed.\r\n");
            ftp.Reply("TYPE A", "200 Type set to A.\r\n");
            ftp.Passive(c.inner);
            ftp.Reply("LIST", "150 Here comes the listing.\r\n226 Transfer complete.\r\n");
        }
        ftp.Reply("CWD /", "250 Directory changed.\r\n");
        ScriptedUiServices ui;
        ScriptedProcessLauncher launcher;
        LFtpList session(ui, launcher);
        ASSERT_TRUE(ftp.Connect(
            session, kFeatQueried | kFeatSystAsked | kFeatMlstType | kFeatSize | kFeatMdtm));
        FakeTransferPane pane;
        SelectionTransfers transfers(session, pane, ui, launcher);
        ui.AnswerWithText("Yes");
        LogTail log;

        transfers.Synchronize(local, {});

        EXPECT_EQ(ftp.control.ReceivedLines(), ftp.expected);
        EXPECT_TRUE(log.Contains("Skipping download of item with suspicious name: " + c.warned))
            << log.Text();
        auto expected = before;
        if (!c.inner.empty()) {
            expected["local/sub"] = "folder";
        }
        EXPECT_EQ(TreeSnapshot(base.path()), expected);
        EXPECT_TRUE(launcher.titles.empty());
        EXPECT_TRUE(transfers.outcome().walkEnded);
        EXPECT_EQ(ui.busyCalls, (std::vector<bool>{true, false}));
        EXPECT_EQ(pane.refreshes, 0);
    }
}

}  // namespace
