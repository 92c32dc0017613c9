#pragma once

#include <QList>
#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <string>
#include <vector>

#include "process/process_launcher.h"
#include "process/ui_services.h"
#include "transfer/remote_pane.h"

class QMenu;
class QTreeView;
class RemotePaneModel;

// The window commands of the remote pane's context menu (each action's data and objectName).
inline constexpr int kRemoteOpenCommand = 4002;
inline constexpr int kRemoteDownloadCommand = 4001;
inline constexpr int kRemoteDeleteCommand = 4003;
inline constexpr int kRemoteRenameCommand = 4004;
inline constexpr int kRemoteNewFolderCommand = 4005;
inline constexpr int kRemoteRefreshCommand = 4006;

// The remote file list of the main window (control 102) over the window's RemotePane: the list
// with its model, in-place editing, the pane's commands, files dropped on it (uploaded into the
// remote folder) and items dragged out of it (downloaded into the private open folder first, the
// drag then carries their local files). The main window places it and sends it its commands.
class RemotePaneView final : public QWidget {
    Q_OBJECT

public:
    RemotePaneView(QWidget* parent, RemotePane& pane, UserInterfaceServices& ui,
                   ProcessLauncher& launcher);
    ~RemotePaneView() override;

    QTreeView* view() const { return view_; }
    RemotePaneModel* model() const { return model_; }
    RemotePane& pane() const { return pane_; }

    bool IsConnected() const;
    bool HasSelection() const;  // "remote selection"

    void Refresh();                              // 201, 4006: keeps the selected name selected
    void UpOneLevel();                           // 202, 4009
    void Back();                                 // 203, 4007
    void Forward();                              // 204, 4008
    void ChangeFolder(const std::string& path);  // 113
    void OpenSelection();                        // 4002 (also a double click, through activated)
    void DeleteSelection();                      // 205, 4003
    void StartRename();                          // 206, 4004
    void StartNewFolder();                       // 4005

    // Uploads local files as dropped on the list into the remote folder (emits filesDropped,
    // then transferStarting and transferFinished around the upload).
    void UploadDroppedFiles(const QStringList& paths);
    // What a drag out of the list carries: the selection downloaded into a fresh folder inside
    // the private open folder (transferStarting and transferFinished around it), as the URLs of
    // the files that arrived.
    QList<QUrl> DownloadSelectionForDrag();

    // The context menu for a right click at `pos` (the list's viewport coordinates); each
    // action carries its command in data() and objectName. The caller owns the menu.
    QMenu* CreateContextMenu(const QPoint& pos, QWidget* menuParent) const;

signals:
    void activated();         // double click or Return on a row: the window sends 4002
    void selectionChanged();  // 4010
    // Right click in the list (4011); `globalPos` for QMenu::exec, `pos` for CreateContextMenu.
    void contextMenuRequested(const QPoint& pos, const QPoint& globalPos);
    // The pane's command 307 (folder or history changed).
    void folderChanged();
    // Local files were dropped on the list; emitted before they are uploaded.
    void filesDropped(const QStringList& paths);
    // Around every transfer the view runs itself (drops, drags out): the window pauses its
    // connection check (timer 3) in between.
    void transferStarting();
    void transferFinished();

private:
    // The view's selection and focus go to the pane, and the pane's to the view.
    void SelectionToPane();
    void SelectionFromPane();
    void EditRow(int row);
    // The in-place edit ended; ended again a little later while the session is busy.
    void EndEditing(bool committed, const QString& text);

    RemotePane& pane_;
    UserInterfaceServices& ui_;
    ProcessLauncher& launcher_;
    QTreeView* view_ = nullptr;
    RemotePaneModel* model_ = nullptr;
    bool applyingPaneSelection_ = false;
};
