// The main window's two lists as a user meets them: the local folder's order, naming in place,
// the context menus, files dropped on and dragged out of the remote list, and opening rows after
// sorting.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <map>
#include <memory>

#include "frame/file_system.h"
#include "frame/path_names.h"
#include "frame/paths.h"
#include "ftp/open_remote_file.h"
#include "servers/real_server.h"
#include "support/case_table.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"
#include "ui/main/local_pane_view.h"
#include "ui/main/remote_pane_model.h"
#include "ui/main/remote_pane_view.h"

namespace {

constexpr int kTransferWaitMs = 10000;  // only guards against a hang

// Makes the items ("name" a file holding its name, "name/" a folder) in the folder.
void MakeItems(const std::string& folder, const std::string& items) {
    for (const std::string& item : Split(items, ' ')) {
        if (!item.empty() && item.back() == '/') {
            ASSERT_TRUE(CreateFolderPath(PathJoin(folder, item.substr(0, item.size() - 1))));
        } else if (!item.empty()) {
            ASSERT_TRUE(WriteWholeFile(PathJoin(folder, item), item));
        }
    }
}

std::string ListedNames(QTreeView& view) {
    std::string names;
    for (int row = 0; row < view.model()->rowCount(); ++row) {
        names += (names.empty() ? "" : " ") +
                 view.model()->index(row, 0).data().toString().toStdString();
    }
    return names.empty() ? "-" : names;
}

// The menu's commands in order, "!" before a disabled one.
std::string MenuCommands(const QMenu& menu) {
    std::string commands;
    for (const QAction* action : menu.actions()) {
        if (!action->isSeparator()) {
            commands += (commands.empty() ? "" : " ") +
                        std::string(action->isEnabled() ? "" : "!") +
                        action->objectName().toStdString();
        }
    }
    return commands;
}

void SelectNamed(QTreeView& view, const std::string& name) {
    for (int row = 0; row < view.model()->rowCount(); ++row) {
        if (view.model()->index(row, 0).data().toString().toStdString() == name) {
            view.setCurrentIndex(view.model()->index(row, 0));
        }
    }
}

// Types the text into the open in-place editor and presses Return.
void TypeIntoEditor(QTreeView& view, const std::string& text) {
    QLineEdit* editor = view.findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, QString::fromStdString(text));
    QTest::keyClick(editor, Qt::Key_Return);
}

// The remote list over its pane, shown and, once Connect is called, logged on to the server.
struct RemoteSide {
    ScriptedUiServices ui;
    ScriptedProcessLauncher launcher;
    RemotePane pane{ui, launcher};
    RemotePaneView view{nullptr, pane, ui, launcher};

    RemoteSide() {
        view.resize(500, 300);
        view.show();
    }
    bool Connect(const RealServer& server) {
        return pane.Connect(server.hostText(), server.user(), server.password(), "/", false);
    }
};

}  // namespace

TEST(LocalPane, ListsFoldersFirstThenNamesInByteOrderWithoutHiddenNames) {
    for (const auto& [name, row] : LoadCases("ui/panes/local_order.tsv")) {
        TempFolder folder("brindle-local");
        MakeItems(folder.path(), row.at(1));
        ScriptedUiServices ui;
        LExplorerFolderControl pane(nullptr, ui);
        ASSERT_TRUE(pane.ListFolder(folder.path())) << name;
        EXPECT_EQ(ListedNames(*pane.view()), row.at(2)) << name;
    }
}

TEST(LocalPane, NamesANewFolderOrAnItemInPlace) {
    for (const auto& [name, row] : LoadCases("ui/panes/local_edits.tsv")) {
        TempFolder folder("brindle-edits");
        MakeItems(folder.path(), "a.txt sub/");
        ScriptedUiServices ui;
        LExplorerFolderControl pane(nullptr, ui);
        pane.show();
        ASSERT_TRUE(pane.ListFolder(folder.path()));
        const std::vector<std::string> start = Split(row.at(1), ' ');
        if (start[0] == "new") {
            pane.StartNewFolder();
        } else {
            SelectNamed(*pane.view(), start.at(1));
            pane.StartRename();
        }
        QSignalSpy listed(&pane, &LExplorerFolderControl::folderChanged);
        TypeIntoEditor(*pane.view(), row.at(2));
        ASSERT_TRUE(listed.wait(kTransferWaitMs)) << name;
        EXPECT_EQ(ListedNames(*pane.view()), row.at(3)) << name;
        EXPECT_EQ(ui.alerts.empty() ? "-" : ui.alerts[0].text,
                  Substitute(row.at(4), {{"ROOT", folder.path()}}))
            << name;
    }
}

TEST(PaneContextMenus, OfferTheirCommandsAsTheClickedItemAndTheConnectionAllow) {
    for (const auto& [name, row] : LoadCases("ui/panes/context_menus.tsv")) {
        TempFolder folder("brindle-menu");
        const std::string clicked = row.at(2);
        MakeItems(folder.path(), clicked == "-" ? "a.txt" : clicked);
        ScriptedUiServices ui;
        LExplorerFolderControl local(nullptr, ui);
        RemoteSide remote;
        ASSERT_TRUE(local.ListFolder(folder.path()));
        local.resize(500, 300);
        local.show();
        QTreeView* view = row.at(1) == "local" ? local.view() : remote.view.view();
        const QPoint beside(5, view->viewport()->height() - 5);
        const QPoint at =
            clicked == "-" ? beside : view->visualRect(view->model()->index(0, 0)).center();
        const std::unique_ptr<QMenu> menu(row.at(1) == "local"
                                              ? local.CreateContextMenu(at, nullptr)
                                              : remote.view.CreateContextMenu(at, nullptr));
        EXPECT_EQ(MenuCommands(*menu), row.at(3)) << name;
    }
}

TEST(RemotePaneView, ADropOfTwoFilesUploadsBoth) {
    RealServer server(kPlainServers[0]);
    std::string why;
    if (!server.Start(&why)) {
        GTEST_SKIP() << why;
    }
    TempFolder local("brindle-drop");
    MakeItems(local.path(), "one.txt two.txt");
    RemoteSide remote;
    ASSERT_TRUE(remote.Connect(server));
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(local.File("one.txt"))),
                  QUrl::fromLocalFile(QString::fromStdString(local.File("two.txt")))});
    QWidget* viewport = remote.view.view()->viewport();
    const QPoint at = viewport->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QSignalSpy finished(&remote.view, &RemotePaneView::transferFinished);
    QApplication::sendEvent(viewport, &enter);
    QApplication::sendEvent(viewport, &drop);
    ASSERT_TRUE(finished.wait(kTransferWaitMs));
    EXPECT_EQ(ReadWholeFile(server.Path("one.txt")), "one.txt");
    EXPECT_EQ(ReadWholeFile(server.Path("two.txt")), "two.txt");
    EXPECT_EQ(ListedNames(*remote.view.view()), "one.txt two.txt");
}

// The view's rows and the pane's must stay the same rows after a sort, or a row would open
// another item than the one it shows.
TEST(RemotePaneView, AfterSortingBySizeEachRowOpensTheItemItShows) {
    RealServer server(kPlainServers[0]);
    std::string why;
    if (!server.Start(&why)) {
        GTEST_SKIP() << why;
    }
    const std::map<std::string, std::string> files = {{"a.bin", std::string(1000, 'a')},
                                                      {"b.bin", std::string(3000, 'b')},
                                                      {"c.bin", std::string(2000, 'c')},
                                                      {"d.bin", std::string(5, 'd')}};
    for (const auto& [name, bytes] : files) {
        ASSERT_TRUE(server.MakeFile(name, bytes));
    }
    RemoteSide remote;
    ASSERT_TRUE(remote.Connect(server));
    QTreeView& view = *remote.view.view();
    view.header()->setSortIndicator(kRemoteColumnSize, Qt::DescendingOrder);
    ASSERT_EQ(ListedNames(view), "b.bin c.bin a.bin d.bin");
    for (int row = 0; row < view.model()->rowCount(); ++row) {
        const std::string shown = view.model()->index(row, 0).data().toString().toStdString();
        view.setCurrentIndex(view.model()->index(row, 0));
        remote.view.OpenSelection();
        ASSERT_EQ(remote.ui.openedPaths.size(), static_cast<std::size_t>(row + 1)) << shown;
        EXPECT_EQ(PathFileName(remote.ui.openedPaths.back()), shown);
        EXPECT_EQ(ReadWholeFile(remote.ui.openedPaths.back()), files.at(shown));
    }
}

TEST(RemotePaneView, NamesANewFolderAndRenamesInPlaceOnTheServer) {
    RealServer server(kPlainServers[0]);
    std::string why;
    if (!server.Start(&why)) {
        GTEST_SKIP() << why;
    }
    ASSERT_TRUE(server.MakeFile("f.txt", "f"));
    RemoteSide remote;
    ASSERT_TRUE(remote.Connect(server));
    QTreeView& view = *remote.view.view();
    QSignalSpy listed(view.model(), &QAbstractItemModel::modelReset);
    remote.view.StartNewFolder();
    TypeIntoEditor(view, "made");
    ASSERT_TRUE(listed.wait(kTransferWaitMs));
    EXPECT_TRUE(IsFolderPath(server.Path("made")));
    SelectNamed(view, "f.txt");
    remote.view.StartRename();
    TypeIntoEditor(view, "g.txt");
    ASSERT_TRUE(listed.wait(kTransferWaitMs));
    EXPECT_EQ(ListedNames(view), "made g.txt");
    EXPECT_EQ(remote.pane.SelectedRemoteNames(), std::vector<std::string>{"g.txt"});
}

TEST(RemotePaneView, ADragOutCarriesTheFilesDownloadedIntoThePrivateOpenFolder) {
    RealServer server(kPlainServers[0]);
    std::string why;
    if (!server.Start(&why)) {
        GTEST_SKIP() << why;
    }
    ASSERT_TRUE(server.MakeFile("f.txt", "remote bytes"));
    RemoteSide remote;
    ASSERT_TRUE(remote.Connect(server));
    SelectNamed(*remote.view.view(), "f.txt");
    const QList<QUrl> urls = remote.view.DownloadSelectionForDrag();
    ASSERT_EQ(urls.size(), 1);
    const std::string path = urls[0].toLocalFile().toStdString();
    EXPECT_EQ(path.rfind(GetOpenFilesFolder() + "/", 0), 0u) << path;
    EXPECT_EQ(ReadWholeFile(path), "remote bytes");
}
