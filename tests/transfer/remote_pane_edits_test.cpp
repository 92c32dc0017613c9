// New folders, renames, deletes and disconnecting in the remote pane, against pyftpdlib.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "ftp/ftp_test_support.h"
#include "transfer/remote_pane.h"
#include "transfer/remote_pane_test_support.h"

namespace {

const char kRenameFailed[] =
    "Cannot rename the file. Please check with your system administrator whether you have "
    "write permission on this folder.";
const char kCreateFailed[] = "Create directory failed. Check you have permissions.";

bool Exists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

// The names in a folder on disk, exactly as stored.
std::vector<std::string> NamesOnDisk(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

using RemotePaneEdits = PaneOnPyFtpd;

TEST_F(RemotePaneEdits, AnEmptyNewFolderNameIsRefusedAndEditedAgain) {
    ASSERT_TRUE(WriteWholeFile(OnDisk("/a.txt"), ""));
    ASSERT_TRUE(Connect());

    ASSERT_TRUE(pane_.StartNewFolder());
    EXPECT_TRUE(pane_.editing());
    EXPECT_EQ(pane_.oldName(), "");
    ASSERT_EQ(pane_.rows().size(), 2u);
    EXPECT_EQ(pane_.rows()[1], (RemotePaneRow{"", "", "Folder", ""}));
    EXPECT_EQ(pane_.editingRow(), 1);
    EXPECT_EQ(pane_.selection(), std::vector<std::size_t>{1});
    EXPECT_EQ(listener_.editRows, std::vector<std::size_t>{1});

    pane_.EndEditing("");
    ASSERT_EQ(ui_.alerts.size(), 1u);
    EXPECT_EQ(ui_.alerts[0].text, "Please enter a valid folder name.");
    EXPECT_EQ(ui_.alerts[0].headline, "Invalid Name");
    // A fresh empty row is being edited again; nothing was created.
    EXPECT_TRUE(pane_.editing());
    EXPECT_EQ(RowNames(pane_), (std::vector<std::string>{"a.txt", ""}));
    EXPECT_EQ(listener_.editRows, (std::vector<std::size_t>{1, 1}));
    EXPECT_TRUE(ui_.busyCalls.empty());

    pane_.EndEditing("made");
    EXPECT_FALSE(pane_.editing());
    EXPECT_EQ(pane_.editingRow(), -1);
    EXPECT_TRUE(Exists(OnDisk("/made")));
    EXPECT_EQ(RowNames(pane_), (std::vector<std::string>{"made", "a.txt"}));
    EXPECT_EQ(FocusedName(pane_), "made");
    EXPECT_EQ(pane_.selection(), std::vector<std::size_t>{0});
    EXPECT_EQ(ui_.alerts.size(), 1u);
    EXPECT_EQ(ui_.busyCalls, (std::vector<bool>{true, false}));
}

TEST_F(RemotePaneEdits, ANewFolderThatCannotBeMadeIsReported) {
    ASSERT_TRUE(WriteWholeFile(OnDisk("/taken"), "file"));
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(pane_.StartNewFolder());
    pane_.EndEditing("taken");
    ASSERT_EQ(ui_.alerts.size(), 1u);
    EXPECT_EQ(ui_.alerts[0].text, kCreateFailed);
    EXPECT_EQ(ui_.alerts[0].headline, "Error");
    EXPECT_FALSE(pane_.editing());
    EXPECT_EQ(RowNames(pane_), std::vector<std::string>{"taken"});
    EXPECT_EQ(ui_.busyCalls, (std::vector<bool>{true, false}));
}

TEST_F(RemotePaneEdits, RenamesTheFocusedRowAndSelectsItsNewName) {
    ASSERT_TRUE(WriteWholeFile(OnDisk("/a.txt"), ""));
    ASSERT_TRUE(WriteWholeFile(OnDisk("/old.txt"), "content"));
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(pane_.SelectRowNamed("old.txt"));
    ASSERT_TRUE(pane_.StartRename());
    EXPECT_EQ(pane_.oldName(), "old.txt");
    EXPECT_EQ(listener_.editRows, std::vector<std::size_t>{1});

    pane_.EndEditing("0new.txt");
    EXPECT_TRUE(ui_.alerts.empty());
    EXPECT_FALSE(Exists(OnDisk("/old.txt")));
    EXPECT_EQ(ReadWholeFile(OnDisk("/0new.txt")), "content");
    EXPECT_EQ(RowNames(pane_), (std::vector<std::string>{"0new.txt", "a.txt"}));
    EXPECT_EQ(FocusedName(pane_), "0new.txt");
}

TEST_F(RemotePaneEdits, ARenameToTheSameNameInOtherLettersOrToNothingSendsNothing) {
    ASSERT_TRUE(WriteWholeFile(OnDisk("/Report.txt"), "r"));
    ASSERT_TRUE(Connect());
    for (const char* text : {"REPORT.TXT", "report.txt", "Report.txt", ""}) {
        SCOPED_TRACE(text);
        ASSERT_TRUE(pane_.SelectRowNamed("Report.txt"));
        ASSERT_TRUE(pane_.StartRename());
        pane_.EndEditing(text);
        EXPECT_FALSE(pane_.editing());
        // The file system is case-sensitive: a rename that was sent would show here.
        EXPECT_EQ(NamesOnDisk(server_.root()), std::vector<std::string>{"Report.txt"});
        EXPECT_EQ(RowNames(pane_), std::vector<std::string>{"Report.txt"});
    }
    EXPECT_TRUE(ui_.alerts.empty());
}

TEST_F(RemotePaneEdits, ARenameTheServerRefusesIsReported) {
    ASSERT_TRUE(WriteWholeFile(OnDisk("/gone.txt"), ""));
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(pane_.StartRename());
    ASSERT_EQ(std::remove(OnDisk("/gone.txt").c_str()), 0);
    pane_.EndEditing("kept.txt");
    ASSERT_EQ(ui_.alerts.size(), 1u);
    EXPECT_EQ(ui_.alerts[0].text, kRenameFailed);
    EXPECT_EQ(ui_.alerts[0].headline, "Error");
    EXPECT_TRUE(pane_.rows().empty());
}

TEST_F(RemotePaneEdits, EditingNeedsAConnectionAndARenameAFocusedRow) {
    EXPECT_FALSE(pane_.StartNewFolder());
    EXPECT_FALSE(pane_.StartRename());
    ASSERT_TRUE(Connect());
    // An empty folder has no row to rename.
    EXPECT_FALSE(pane_.StartRename());
    EXPECT_FALSE(pane_.editing());
    pane_.EndEditing("x");
    EXPECT_FALSE(Exists(OnDisk("/x")));
}

TEST_F(RemotePaneEdits, ACancelledNewFolderLeavesNoRow) {
    ASSERT_TRUE(WriteWholeFile(OnDisk("/a.txt"), ""));
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(pane_.StartNewFolder());
    pane_.CancelEditing();
    EXPECT_FALSE(pane_.editing());
    EXPECT_EQ(RowNames(pane_), std::vector<std::string>{"a.txt"});
    EXPECT_TRUE(ui_.alerts.empty());
}

TEST_F(RemotePaneEdits, DeleteStopsAtTheFirstRowThatCannotBeDeleted) {
    ASSERT_TRUE(WriteWholeFile(OnDisk("/a.txt"), "a"));
    ASSERT_TRUE(WriteWholeFile(OnDisk("/b.txt"), "b"));
    ASSERT_TRUE(Connect());
    pane_.SetSelection({0, 1});
    pane_.SetFocusedRow(1);
    // Gone behind the server's back: the listing still shows it, DELE fails.
    ASSERT_EQ(std::remove(OnDisk("/a.txt").c_str()), 0);
    LogTail log;

    pane_.DeleteSelection();
    ASSERT_EQ(ui_.alerts.size(), 2u);
    EXPECT_EQ(ui_.alerts[0].text,
              "Are you sure you want to delete the selected files or directories ?");
    EXPECT_EQ(ui_.alerts[0].headline, "Confirm Delete");
    EXPECT_EQ(ui_.alerts[0].button1, "Delete");
    EXPECT_EQ(ui_.alerts[0].button2, "Cancel");
    EXPECT_EQ(ui_.alerts[1].text, "Unable to delete file \"a.txt\".");
    EXPECT_EQ(ui_.alerts[1].headline, "Error");
    EXPECT_TRUE(log.Contains("Unable to delete file \"a.txt\"."));
    EXPECT_EQ(ReadWholeFile(OnDisk("/b.txt")), "b");
    EXPECT_EQ(RowNames(pane_), std::vector<std::string>{"b.txt"});
    // The focus was on row 1; the list is shorter now, so the last row has it.
    EXPECT_EQ(pane_.focusedRow(), 0);
    EXPECT_EQ(pane_.selection(), std::vector<std::size_t>{0});
    EXPECT_EQ(ui_.busyCalls, (std::vector<bool>{true, false}));
}

TEST_F(RemotePaneEdits, DeletesOneFolderWithEverythingInIt) {
    ASSERT_TRUE(MakeFolder(OnDisk("/tree")));
    ASSERT_TRUE(MakeFolder(OnDisk("/tree/sub")));
    ASSERT_TRUE(WriteWholeFile(OnDisk("/tree/sub/deep.txt"), "d"));
    ASSERT_TRUE(WriteWholeFile(OnDisk("/a.txt"), "a"));
    ASSERT_TRUE(WriteWholeFile(OnDisk("/b.txt"), "b"));
    ASSERT_TRUE(Connect());
    ASSERT_EQ(RowNames(pane_), (std::vector<std::string>{"tree", "a.txt", "b.txt"}));

    pane_.DeleteSelection();
    ASSERT_EQ(ui_.alerts.size(), 1u);
    EXPECT_EQ(ui_.alerts[0].text, "Are you sure you want to delete selected folder:\n\"tree\" ?");
    EXPECT_FALSE(Exists(OnDisk("/tree")));
    EXPECT_EQ(pane_.remoteDir, "/");
    EXPECT_EQ(RowNames(pane_), (std::vector<std::string>{"a.txt", "b.txt"}));
    // The same position keeps the focus.
    EXPECT_EQ(FocusedName(pane_), "a.txt");

    ASSERT_TRUE(pane_.SelectRowNamed("b.txt"));
    pane_.DeleteSelection();
    ASSERT_EQ(ui_.alerts.size(), 2u);
    EXPECT_EQ(ui_.alerts[1].text, "Are you sure you want to delete selected file:\n\"b.txt\" ?");
    EXPECT_FALSE(Exists(OnDisk("/b.txt")));
    EXPECT_EQ(FocusedName(pane_), "a.txt");

    pane_.DeleteSelection();
    EXPECT_TRUE(pane_.rows().empty());
    EXPECT_EQ(pane_.focusedRow(), -1);
    EXPECT_TRUE(pane_.selection().empty());
}

TEST_F(RemotePaneEdits, ACancelledDeleteDeletesNothing) {
    ASSERT_TRUE(WriteWholeFile(OnDisk("/a.txt"), "a"));
    ASSERT_TRUE(Connect());
    ui_.AnswerWithText("Cancel");
    pane_.DeleteSelection();
    EXPECT_EQ(ui_.alerts.size(), 1u);
    EXPECT_TRUE(Exists(OnDisk("/a.txt")));
    EXPECT_TRUE(ui_.busyCalls.empty());

    // Nothing is asked without a selection.
    pane_.SetSelection({});
    pane_.DeleteSelection();
    EXPECT_EQ(ui_.alerts.size(), 1u);
}

TEST_F(RemotePaneEdits, DisconnectForgetsRowsHistoryAndConnection) {
    ASSERT_TRUE(MakeFolder(OnDisk("/X")));
    ASSERT_TRUE(MakeFolder(OnDisk("/Y")));
    ASSERT_TRUE(WriteWholeFile(OnDisk("/Y/y.txt"), "y"));
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(pane_.ChangeRemoteFolder("/X"));
    ASSERT_TRUE(pane_.ChangeRemoteFolder("/Y"));
    ASSERT_TRUE(pane_.RemoteBack());
    ASSERT_TRUE(pane_.CanGoBack());
    LogTail log;

    pane_.Disconnect();
    EXPECT_FALSE(pane_.connected);
    EXPECT_LT(pane_.connection.fd, 0);
    EXPECT_TRUE(pane_.rows().empty());
    EXPECT_TRUE(pane_.items().empty());
    EXPECT_TRUE(pane_.selection().empty());
    EXPECT_EQ(pane_.focusedRow(), -1);
    for (const std::string& entry : pane_.history()) {
        EXPECT_EQ(entry, "");
    }
    EXPECT_EQ(pane_.historyPosition(), 0u);
    EXPECT_FALSE(pane_.CanGoBack());
    EXPECT_FALSE(pane_.CanGoForward());
    EXPECT_TRUE(log.Contains("Disconnected from server."));
    // Nothing is listed without the connection.
    EXPECT_FALSE(pane_.RefreshListing());
    EXPECT_FALSE(pane_.ChangeRemoteFolder("/Y"));

    // A new connection starts with a history of its own.
    ASSERT_TRUE(Connect("/Y"));
    EXPECT_EQ(pane_.history()[0], "/Y");
    EXPECT_EQ(pane_.history()[1], "");
    EXPECT_EQ(RowNames(pane_), std::vector<std::string>{"y.txt"});
}

}  // namespace
