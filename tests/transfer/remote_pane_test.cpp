// The remote pane's listing, ordering and navigation against pyftpdlib, and its column order.
#include "transfer/remote_pane.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "ftp/ftp_test_support.h"
#include "ftp/remote_listing.h"
#include "ftp/time_zone_guard.h"
#include "settings/section_settings.h"
#include "transfer/remote_pane_test_support.h"

namespace {

int Sign(int value) {
    return (value > 0) - (value < 0);
}

struct CompareCase {
    int column;
    std::string a;
    std::string b;
    int expected;
};

TEST(RemotePaneCompareColumn, OrdersEachColumnByWhatItShows) {
    const CompareCase cases[] = {
        // Sizes: the shorter text first, whatever its digits; an empty text (folder) first.
        {kRemoteColumnSize, "", "1 KB", -1},
        {kRemoteColumnSize, "9 KB", "10 KB", -1},
        {kRemoteColumnSize, "999 KB", "1,000 KB", -1},
        {kRemoteColumnSize, "2 KB", "1 KB", 1},
        {kRemoteColumnSize, "7 KB", "7 KB", 0},
        // Dates: by the time they name, not by their bytes.
        {kRemoteColumnDate, "2024-01-10 00:00:00", "2024-1-9 00:00:00", 1},
        {kRemoteColumnDate, "2024-01-02 09:00:00", "2024-01-02 10:00:00", -1},
        {kRemoteColumnDate, " ", "1999-12-31 23:59:59", -1},
        {kRemoteColumnDate, "2024-01-02 03:04:05", "2024-01-02 03:04:05", 0},
        // Two-digit years of 69 and less are this century's.
        {kRemoteColumnDate, "69-01-01 00:00:00", "1999-01-01 00:00:00", 1},
        // Other columns: bytes.
        {kRemoteColumnName, "B", "a", -1},
        {kRemoteColumnName, "b", "a", 1},
        {kRemoteColumnKind, "Folder", "File", 1},
        {kRemoteColumnKind, "Link", "Link", 0},
    };
    TimeZoneGuard zone("UTC0");
    for (const CompareCase& c : cases) {
        SCOPED_TRACE(c.a + " / " + c.b);
        EXPECT_EQ(Sign(RemotePane::CompareColumn(c.column, c.a, c.b)), c.expected);
        EXPECT_EQ(Sign(RemotePane::CompareColumn(c.column, c.b, c.a)), -c.expected);
    }
}

std::vector<RemotePaneItem> Items(const std::vector<std::string>& names, std::size_t total) {
    std::vector<RemotePaneItem> items;
    for (std::size_t i = 0; i < total; ++i) {
        RemotePaneItem item;
        item.name = i < names.size() ? names[i] : "f" + std::to_string(1000 - i);
        item.kind = item.name.starts_with("dir") ? kItemFolder : kItemFile;
        items.push_back(item);
    }
    return items;
}

std::vector<std::string> Names(const std::vector<RemotePaneItem>& items) {
    std::vector<std::string> names;
    for (const RemotePaneItem& item : items) {
        names.push_back(item.name);
    }
    return names;
}

TEST(RemotePaneOrderItems, PutsFoldersFirstThenNamesInByteOrderUpTo99Items) {
    std::vector<RemotePaneItem> items = Items({"b", "dirB", "B", "a", "dirA"}, 5);
    items[0].kind = kItemLink;  // links go with the files
    RemotePane::OrderItems(items);
    EXPECT_EQ(Names(items), (std::vector<std::string>{"dirA", "dirB", "B", "a", "b"}));

    std::vector<RemotePaneItem> limit = Items({"zz", "dirZ"}, 99);
    RemotePane::OrderItems(limit);
    EXPECT_EQ(limit.front().name, "dirZ");
    EXPECT_EQ(limit.back().name, "zz");
}

TEST(RemotePaneOrderItems, LeavesAHundredItemsAsTheyCame) {
    std::vector<RemotePaneItem> items = Items({"zz", "dirZ"}, 100);
    const std::vector<std::string> before = Names(items);
    RemotePane::OrderItems(items);
    EXPECT_EQ(Names(items), before);
}

// Files with content and times, in a local zone equal to UTC so the date texts are known.
class RemotePaneListing : public PaneOnPyFtpd {
protected:
    TimeZoneGuard zone_{"UTC0"};
};

TEST_F(RemotePaneListing, ShowsEachItemWithSizeKindAndDateTexts) {
    ASSERT_TRUE(WriteWholeFile(OnDisk("/notes.txt"), std::string(1234, 'n')));
    ASSERT_TRUE(WriteWholeFile(OnDisk("/empty"), ""));
    ASSERT_TRUE(MakeFolder(OnDisk("/docs")));
    ASSERT_TRUE(SetModified(OnDisk("/notes.txt"), UtcTime(2024, 1, 2, 3, 4, 5)));
    ASSERT_TRUE(SetModified(OnDisk("/empty"), UtcTime(2023, 12, 31, 23, 59, 58)));
    ASSERT_TRUE(SetModified(OnDisk("/docs"), UtcTime(2022, 6, 7, 8, 9, 10)));
    ASSERT_TRUE(Connect());

    EXPECT_EQ(pane_.remoteDir, "/");
    const std::vector<RemotePaneRow> expected = {
        {"docs", "", "Folder", "2022-06-07 08:09:10"},
        {"empty", "0 KB", "File", "2023-12-31 23:59:58"},
        {"notes.txt", "2 KB", "File", "2024-01-02 03:04:05"},
    };
    EXPECT_EQ(pane_.rows(), expected);
    ASSERT_EQ(pane_.items().size(), 3u);
    EXPECT_EQ(pane_.items()[0].kind, static_cast<std::uint32_t>(kItemFolder));
    EXPECT_EQ(pane_.items()[0].size, 0u);
    EXPECT_EQ(pane_.items()[2].size, 1234u);
    EXPECT_EQ(pane_.items()[2].modified, UtcTime(2024, 1, 2, 3, 4, 5));
    // The first row is selected, and the window heard of the new folder.
    EXPECT_EQ(pane_.selection(), std::vector<std::size_t>{0});
    EXPECT_EQ(pane_.focusedRow(), 0);
    EXPECT_EQ(listener_.commands, std::vector<std::uint32_t>{kRemoteFolderChangedCommand});
    EXPECT_GT(listener_.rowChanges, 0);
}

TEST_F(RemotePaneListing, WritesSizesInTheUnitOfThePreferences) {
    ASSERT_TRUE(WriteWholeFile(OnDisk("/big.bin"), std::string(1234567, 'b')));
    ASSERT_TRUE(Connect());
    const struct {
        const char* stored;
        const char* shown;
    } cases[] = {{"0", "1,234,567 B"},
                 {"1", "1,206 KB"},
                 {"2", "2 MB"},
                 {"3", "1,206 KB"},
                 {"", "1,206 KB"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        ASSERT_TRUE(SetSetting(kSettingsSection, "FileSizeUnits", c.stored));
        ASSERT_TRUE(pane_.RefreshListing());
        ASSERT_EQ(pane_.rows().size(), 1u);
        EXPECT_EQ(pane_.rows()[0][kRemoteColumnSize], c.shown);
    }
    DeleteSetting(kSettingsSection, "FileSizeUnits");
}

TEST_F(RemotePaneListing, Orders99ItemsFoldersFirstThenByName) {
    ASSERT_TRUE(MakeFolder(OnDisk("/many")));
    std::vector<std::string> expected = {"Zeta", "alpha"};
    ASSERT_TRUE(MakeFolder(OnDisk("/many/alpha")));
    ASSERT_TRUE(MakeFolder(OnDisk("/many/Zeta")));
    for (int i = 96; i >= 0; --i) {
        char name[16];
        std::snprintf(name, sizeof name, "file%02d", i);
        ASSERT_TRUE(WriteWholeFile(OnDisk("/many/") + name, "x"));
    }
    for (int i = 0; i <= 96; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "file%02d", i);
        expected.push_back(name);
    }
    ASSERT_TRUE(Connect("/many"));
    EXPECT_EQ(RowNames(pane_), expected);
}

TEST_F(RemotePaneListing, Shows150ItemsInTheReverseOfTheServersOrder) {
    ASSERT_TRUE(MakeFolder(OnDisk("/many")));
    ASSERT_TRUE(MakeFolder(OnDisk("/many/alpha")));
    ASSERT_TRUE(MakeFolder(OnDisk("/many/Zeta")));
    for (int i = 0; i < 148; ++i) {
        ASSERT_TRUE(WriteWholeFile(OnDisk("/many/file") + std::to_string(i * 7919 % 1000), "x"));
    }
    ASSERT_TRUE(Connect("/many"));
    ASSERT_EQ(pane_.rows().size(), 150u);

    // The server's own order, from a listing of the same folder on the same connection.
    std::vector<std::string> serverOrder;
    {
        FtpDirList list(pane_.connection);
        for (FtpDirEntry* entry = list.first.get(); entry != nullptr; entry = entry->next.get()) {
            serverOrder.push_back(entry->name);
        }
    }
    std::reverse(serverOrder.begin(), serverOrder.end());
    EXPECT_EQ(RowNames(pane_), serverOrder);

    std::vector<RemotePaneItem> ordered = pane_.items();
    std::stable_sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) {
        return (a.kind == kItemFolder) != (b.kind == kItemFolder) ? a.kind == kItemFolder
                                                                  : a.name < b.name;
    });
    EXPECT_NE(RowNames(pane_), Names(ordered)) << "the server listed in name order";
}

TEST_F(RemotePaneListing, SortsByColumnWithTheSelectionOnTheSameRows) {
    ASSERT_TRUE(WriteWholeFile(OnDisk("/a.txt"), std::string(20000, 'a')));
    ASSERT_TRUE(WriteWholeFile(OnDisk("/b.txt"), std::string(3000, 'b')));
    ASSERT_TRUE(WriteWholeFile(OnDisk("/c.txt"), std::string(100, 'c')));
    ASSERT_TRUE(MakeFolder(OnDisk("/dir")));
    ASSERT_TRUE(SetModified(OnDisk("/a.txt"), UtcTime(2020, 1, 1, 0, 0, 0)));
    ASSERT_TRUE(SetModified(OnDisk("/b.txt"), UtcTime(2022, 1, 1, 0, 0, 0)));
    ASSERT_TRUE(SetModified(OnDisk("/c.txt"), UtcTime(2021, 1, 1, 0, 0, 0)));
    ASSERT_TRUE(SetModified(OnDisk("/dir"), UtcTime(2019, 1, 1, 0, 0, 0)));
    ASSERT_TRUE(Connect());
    ASSERT_EQ(RowNames(pane_), (std::vector<std::string>{"dir", "a.txt", "b.txt", "c.txt"}));
    pane_.SetSelection({3, 1});
    pane_.SetFocusedRow(3);

    // "20 KB" is longer than "3 KB" and "1 KB"; the folder's empty size comes first.
    pane_.SortRows(kRemoteColumnSize, true);
    EXPECT_EQ(RowNames(pane_), (std::vector<std::string>{"dir", "c.txt", "b.txt", "a.txt"}));
    EXPECT_EQ(pane_.SelectedRemoteNames(), (std::vector<std::string>{"c.txt", "a.txt"}));
    EXPECT_EQ(FocusedName(pane_), "c.txt");

    pane_.SortRows(kRemoteColumnDate, false);
    EXPECT_EQ(RowNames(pane_), (std::vector<std::string>{"b.txt", "c.txt", "a.txt", "dir"}));
    EXPECT_EQ(pane_.SelectedRemoteNames(), (std::vector<std::string>{"c.txt", "a.txt"}));
    EXPECT_EQ(FocusedName(pane_), "c.txt");
}

TEST_F(PaneOnPyFtpd, AnswersTheTransferCommandsQuestions) {
    ASSERT_TRUE(MakeFolder(OnDisk("/pub")));
    ASSERT_TRUE(WriteWholeFile(OnDisk("/pub/a"), "a"));
    ASSERT_TRUE(WriteWholeFile(OnDisk("/pub/b"), "b"));
    ASSERT_TRUE(WriteWholeFile(OnDisk("/pub/c"), "c"));
    ASSERT_TRUE(Connect("/pub"));
    EXPECT_EQ(pane_.RemoteFolder(), "/pub");

    pane_.SetSelection({2, 0, 7});
    EXPECT_EQ(pane_.SelectedRemoteNames(), (std::vector<std::string>{"a", "c"}));
    pane_.SortRows(kRemoteColumnName, false);
    EXPECT_EQ(pane_.SelectedRemoteNames(), (std::vector<std::string>{"c", "a"}));

    pane_.SelectRemoteRows({"b", "gone"});
    EXPECT_EQ(pane_.SelectedRemoteNames(), std::vector<std::string>{"b"});
    EXPECT_EQ(FocusedName(pane_), "b");

    ASSERT_TRUE(WriteWholeFile(OnDisk("/pub/d"), "d"));
    const std::size_t commands = listener_.commands.size();
    EXPECT_TRUE(pane_.RefreshRemoteListing());
    EXPECT_EQ(RowNames(pane_), (std::vector<std::string>{"a", "b", "c", "d"}));
    // A relisting is no visit: the history and the window's path stay.
    EXPECT_EQ(listener_.commands.size(), commands);
    EXPECT_EQ(pane_.history()[1], "");
}

class RemotePaneNavigation : public PaneOnPyFtpd {
protected:
    // A folder holding one file named after the folder, so its rows tell which it is.
    void MakeMarkedFolder(const std::string& path) {
        ASSERT_TRUE(MakeFolder(OnDisk(path)));
        ASSERT_TRUE(WriteWholeFile(OnDisk(path + "/in-" + PathFileNameOf(path)), ""));
    }
    static std::string PathFileNameOf(const std::string& path) {
        return path.substr(path.rfind('/') + 1);
    }
    // The folder is shown: remoteDir and the marker row agree.
    void ExpectShown(const std::string& path) {
        EXPECT_EQ(pane_.remoteDir, path);
        EXPECT_EQ(RowNames(pane_), std::vector<std::string>{"in-" + PathFileNameOf(path)});
    }
};

TEST_F(RemotePaneNavigation, OpensAFolderRowBelowTheCurrentFolderAndBelowTheRoot) {
    ASSERT_TRUE(MakeFolder(OnDisk("/pub")));
    MakeMarkedFolder("/pub/docs");
    MakeMarkedFolder("/docs");
    ASSERT_TRUE(WriteWholeFile(OnDisk("/pub/a.txt"), ""));
    ASSERT_TRUE(Connect("/pub"));
    LogTail log;

    ASSERT_TRUE(pane_.SelectRowNamed("docs"));
    EXPECT_TRUE(pane_.OpenRemoteSelection(false));
    ExpectShown("/pub/docs");
    EXPECT_TRUE(log.Contains("Change directory successfully: /pub/docs"));

    ASSERT_TRUE(pane_.ChangeRemoteFolder("/"));
    EXPECT_TRUE(pane_.OpenRemoteFolder("docs"));
    ExpectShown("/docs");
}

TEST_F(RemotePaneNavigation, UpOneLevelShowsTheParentWithTheFolderLeftSelected) {
    ASSERT_TRUE(MakeFolder(OnDisk("/pub")));
    ASSERT_TRUE(MakeFolder(OnDisk("/pub/aaa")));
    ASSERT_TRUE(MakeFolder(OnDisk("/pub/docs")));
    ASSERT_TRUE(WriteWholeFile(OnDisk("/pub/zz.txt"), ""));
    ASSERT_TRUE(Connect("/pub/docs"));
    ASSERT_EQ(pane_.remoteDir, "/pub/docs");

    EXPECT_TRUE(pane_.RemoteUpOneLevel());
    EXPECT_EQ(pane_.remoteDir, "/pub");
    EXPECT_EQ(RowNames(pane_), (std::vector<std::string>{"aaa", "docs", "zz.txt"}));
    EXPECT_EQ(pane_.selection(), std::vector<std::size_t>{1});
    EXPECT_EQ(FocusedName(pane_), "docs");
    EXPECT_EQ(pane_.history()[0], "/pub");
    EXPECT_EQ(pane_.history()[1], "/pub/docs");

    EXPECT_TRUE(pane_.RemoteUpOneLevel());
    EXPECT_EQ(pane_.remoteDir, "/");
    EXPECT_EQ(FocusedName(pane_), "pub");
}

TEST_F(RemotePaneNavigation, BackAndForwardMoveThroughTheHistoryAndANewVisitGoesToTheFront) {
    for (const char* folder : {"/X", "/Y", "/Z", "/W"}) {
        MakeMarkedFolder(folder);
    }
    ASSERT_TRUE(Connect());
    EXPECT_FALSE(pane_.CanGoBack());
    EXPECT_FALSE(pane_.CanGoForward());
    for (const char* folder : {"/X", "/Y", "/Z"}) {
        ASSERT_TRUE(pane_.ChangeRemoteFolder(folder));
    }
    EXPECT_TRUE(pane_.CanGoBack());
    EXPECT_FALSE(pane_.CanGoForward());

    listener_.commands.clear();
    EXPECT_TRUE(pane_.RemoteBack());
    ExpectShown("/Y");
    EXPECT_TRUE(pane_.CanGoBack());
    EXPECT_TRUE(pane_.CanGoForward());
    EXPECT_TRUE(pane_.RemoteForward());
    ExpectShown("/Z");
    EXPECT_FALSE(pane_.CanGoForward());
    EXPECT_FALSE(pane_.RemoteForward());
    ExpectShown("/Z");
    // Each move told the window; the refused one did not.
    EXPECT_EQ(listener_.commands, std::vector<std::uint32_t>(2, kRemoteFolderChangedCommand));

    ASSERT_TRUE(pane_.RemoteBack());
    ExpectShown("/Y");
    ASSERT_TRUE(pane_.ChangeRemoteFolder("/W"));
    EXPECT_EQ(pane_.historyPosition(), 0u);
    EXPECT_FALSE(pane_.CanGoForward());
    EXPECT_TRUE(pane_.RemoteBack());
    ExpectShown("/Z");
    EXPECT_TRUE(pane_.RemoteBack());
    ExpectShown("/Y");
}

TEST_F(RemotePaneNavigation, KeepsTheLastTenFolders) {
    for (int i = 0; i < 12; ++i) {
        MakeMarkedFolder("/f" + std::to_string(i));
    }
    ASSERT_TRUE(Connect());
    for (int i = 0; i < 12; ++i) {
        ASSERT_TRUE(pane_.ChangeRemoteFolder("/f" + std::to_string(i)));
    }
    for (int back = 1; back <= 9; ++back) {
        ASSERT_TRUE(pane_.CanGoBack()) << back;
        ASSERT_TRUE(pane_.RemoteBack()) << back;
    }
    ExpectShown("/f2");
    EXPECT_FALSE(pane_.CanGoBack());
    EXPECT_FALSE(pane_.RemoteBack());
    ExpectShown("/f2");
}

TEST_F(RemotePaneNavigation, KeepsTheFolderShownWhenAFolderCannotBeEntered) {
    MakeMarkedFolder("/pub");
    ASSERT_TRUE(Connect("/pub"));
    const auto history = pane_.history();
    const std::size_t commands = listener_.commands.size();
    LogTail log;

    EXPECT_FALSE(pane_.ChangeRemoteFolder("/pub/missing"));
    ExpectShown("/pub");
    EXPECT_EQ(pane_.history(), history);
    EXPECT_EQ(listener_.commands.size(), commands);
    EXPECT_TRUE(
        log.Contains("Unable to change to the directory \"/pub/missing\". Please check if "
                     "you have permission on the directory."))
        << log.Text();
    EXPECT_FALSE(log.Contains("Change directory successfully"));

    EXPECT_FALSE(pane_.OpenRemoteFolder("nothing"));
    ExpectShown("/pub");
}

TEST_F(RemotePaneNavigation, StepsOverAHistoryFolderThatIsGone) {
    MakeMarkedFolder("/A");
    MakeMarkedFolder("/B");
    MakeMarkedFolder("/C");
    ASSERT_TRUE(Connect("/A"));
    ASSERT_TRUE(pane_.ChangeRemoteFolder("/B"));
    ASSERT_TRUE(pane_.ChangeRemoteFolder("/C"));
    ASSERT_EQ(std::remove(OnDisk("/B/in-B").c_str()), 0);
    ASSERT_EQ(rmdir(OnDisk("/B").c_str()), 0);

    EXPECT_FALSE(pane_.RemoteBack());
    // The rows still show /C, and so does the folder.
    ExpectShown("/C");
    EXPECT_TRUE(pane_.RemoteBack());
    ExpectShown("/A");
}

TEST_F(PaneOnPyFtpd, OpensAFileRowOnlyWhenFilesMayBeOpened) {
    ASSERT_TRUE(WriteWholeFile(OnDisk("/readme.txt"), "read me"));
    ASSERT_TRUE(Connect());
    ASSERT_EQ(FocusedName(pane_), "readme.txt");
    const std::size_t runs = launcher_.titles.size();

    EXPECT_FALSE(pane_.OpenRemoteSelection(false));
    EXPECT_EQ(launcher_.titles.size(), runs);
    EXPECT_TRUE(ui_.openedPaths.empty());

    EXPECT_TRUE(pane_.OpenRemoteSelection(true));
    EXPECT_EQ(launcher_.titles.back(), "FTP Download");
    ASSERT_EQ(ui_.openedPaths.size(), 1u);
    EXPECT_EQ(ReadWholeFile(ui_.openedPaths[0]), "read me");
}

}  // namespace
