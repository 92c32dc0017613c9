#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "process/ui_services.h"
#include "ui/main/local_history.h"

class QMenu;
class QTreeView;
class LocalFolderModel;

// The window commands of the local pane's context menu (each action's data and objectName).
inline constexpr int kLocalUploadCommand = 1003;
inline constexpr int kLocalOpenCommand = 1005;
inline constexpr int kLocalDeleteCommand = 1006;
inline constexpr int kLocalRenameCommand = 1007;
inline constexpr int kLocalNewFolderCommand = 1009;

// The local file list of the main window (control 101): the current folder without its hidden
// names, folders first, a history for Back and Forward, and the item operations. The main window
// places it and sends it its commands; it reports back through the signals.
class LExplorerFolderControl final : public QWidget {
    Q_OBJECT

public:
    LExplorerFolderControl(QWidget* parent, UserInterfaceServices& ui);
    ~LExplorerFolderControl() override;

    QTreeView* view() const { return view_; }

    // Lists the folder (an empty path does nothing), selects the first row, records the folder
    // in the history and emits folderChanged. False when the folder cannot be read.
    bool ListFolder(const std::string& path);
    // The path field's "go" (112): lists the folder, or says "Path is not valid.".
    bool OpenTypedPath(const std::string& path);
    void Refresh();     // 301, 2001
    void UpOneLevel();  // 302, 2004
    void Back();        // 303, 2002
    void Forward();     // 304, 2003
    bool CanGoBack() const { return history_.CanGoBack(); }
    bool CanGoForward() const { return history_.CanGoForward(); }

    const std::string& currentFolder() const { return folder_; }
    // The current folder exists ("local ready").
    bool IsFolderValid() const;
    bool HasSelection() const;
    // Full paths of the selected rows, in display order.
    std::vector<std::string> SelectedPaths() const;
    // Full paths of every listed item (what a synchronization compares).
    std::vector<std::string> ItemPaths() const;

    void OpenSelection();    // 1005: a folder is listed, a file opened with its application
    void DeleteSelection();  // 1006, after "Confirm Delete"
    void StartRename();      // 1007
    void StartNewFolder();   // 1009

    // The context menu for a right click at `pos` (the list's viewport coordinates); each
    // action carries its command in data() and objectName. The caller owns the menu.
    QMenu* CreateContextMenu(const QPoint& pos, QWidget* menuParent) const;

signals:
    void activated();  // double click or Return on a row: the window sends 1005
    void selectionChanged();
    void folderChanged();  // 306: the path field shows currentFolder()
    // Right click in the list; `globalPos` for QMenu::exec, `pos` for CreateContextMenu.
    void contextMenuRequested(const QPoint& pos, const QPoint& globalPos);

private:
    // Lists the folder; `record` puts it into the history.
    bool ShowFolder(const std::string& path, bool record);
    // Selected rows that are items (not the new folder being named), ascending.
    std::vector<int> SelectedRows() const;
    void EditRow(int row);
    // The in-place edit ended: renames the item or creates the folder, then lists again.
    void EndEditing(bool committed, const QString& text);
    void SelectName(const std::string& name);

    UserInterfaceServices& ui_;
    QTreeView* view_ = nullptr;
    LocalFolderModel* model_ = nullptr;
    std::string folder_;
    LocalHistory history_;
    bool editing_ = false;
    std::string oldName_;  // the renamed item's name; "" while a new folder is named
};
