#include "ui/main/remote_pane_view.h"

#include <stdlib.h>

#include <QAbstractItemDelegate>
#include <QHeaderView>
#include <QMenu>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>
#include <filesystem>

#include "frame/file_system.h"
#include "frame/paths.h"
#include "frame/text_limits.h"
#include "ftp/open_remote_file.h"
#include "ftp/remote_listing.h"
#include "transfer/download_names.h"
#include "transfer/selection_transfers.h"
#include "ui/main/remote_list_view.h"
#include "ui/main/remote_pane_model.h"
#include "ui/row_list_view.h"

namespace {

constexpr char kListTip[] = "Remote files listing";
constexpr int kNameColumnWidth = 200;
// An edit that ends while another operation holds the session is ended again this much later.
constexpr int kEditRetryMs = 100;
// The folders of earlier drags out are removed once they are this old: their targets have long
// copied them.
constexpr auto kDragFolderLifetime = std::chrono::hours(24);
constexpr char kDragFolderPrefix[] = "drag-";

void RemoveOldDragFolders(const std::string& openFolder) {
    std::error_code error;
    const auto now = std::filesystem::file_time_type::clock::now();
    for (const auto& entry : std::filesystem::directory_iterator(openFolder, error)) {
        const std::string name = entry.path().filename().string();
        const auto modified = entry.last_write_time(error);
        if (!error && name.starts_with(kDragFolderPrefix) && now - modified > kDragFolderLifetime) {
            RemovePath(entry.path().string());
        }
    }
}

}  // namespace

RemotePaneView::RemotePaneView(QWidget* parent, RemotePane& pane, UserInterfaceServices& ui,
                               ProcessLauncher& launcher)
    : QWidget(parent), pane_(pane), ui_(ui), launcher_(launcher) {
    auto* list = new RemoteListView(this);
    view_ = list;
    model_ = new RemotePaneModel(this, pane_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);

    view_->setToolTip(QString::fromLatin1(kListTip));
    SetUpRowList(view_, model_, QStringLiteral("102"), QString::fromLatin1(kListTip));
    view_->setDragEnabled(true);
    view_->setAcceptDrops(true);
    view_->setDropIndicatorShown(false);
    view_->setDragDropMode(QAbstractItemView::DragDrop);
    QHeaderView* header = view_->header();
    header->setStretchLastSection(true);
    header->resizeSection(kRemoteColumnName, kNameColumnWidth);
    // Sorting is the pane's, on request only: a new listing shows the listing's order.
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    setFocusProxy(view_);

    list->dropAllowed = [this] { return IsConnected(); };
    list->dropFiles = [this](const QStringList& paths) { UploadDroppedFiles(paths); };
    list->prepareDragOut = [this] { return DownloadSelectionForDrag(); };

    connect(header, &QHeaderView::sortIndicatorChanged, this,
            [this](int column, Qt::SortOrder order) {
                if (column >= 0) {
                    model_->sort(column, order);
                }
            });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        if (!model_->sorting()) {
            const QSignalBlocker blocker(view_->header());
            view_->header()->setSortIndicator(-1, Qt::AscendingOrder);
        }
    });
    connect(model_, &RemotePaneModel::paneSelectionChanged, this,
            &RemotePaneView::SelectionFromPane);
    connect(model_, &RemotePaneModel::paneCommand, this, [this](int command) {
        if (command == static_cast<int>(kRemoteFolderChangedCommand)) {
            emit folderChanged();
        }
    });
    connect(model_, &RemotePaneModel::editRowRequested, this, &RemotePaneView::EditRow);
    connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &RemotePaneView::SelectionToPane);
    connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &RemotePaneView::SelectionToPane);
    connect(view_, &QAbstractItemView::activated, this, [this] {
        if (!pane_.editing()) {
            emit activated();
        }
    });
    connect(view_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        emit contextMenuRequested(pos, view_->viewport()->mapToGlobal(pos));
    });
    connect(view_->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
            [this](QWidget*, QAbstractItemDelegate::EndEditHint hint) {
                const bool committed = hint != QAbstractItemDelegate::RevertModelCache;
                const QString text = model_->committedText();
                // After the editor has gone: the server's answer runs the window's events.
                QMetaObject::invokeMethod(
                    this, [this, committed, text] { EndEditing(committed, text); },
                    Qt::QueuedConnection);
            });
}

RemotePaneView::~RemotePaneView() = default;

bool RemotePaneView::IsConnected() const {
    return pane_.session().connected;
}

bool RemotePaneView::HasSelection() const {
    return !pane_.selection().empty();
}

void RemotePaneView::Refresh() {
    const std::vector<std::string> selected = pane_.SelectedRemoteNames();
    if (pane_.RefreshListing() && !selected.empty()) {
        pane_.SelectRemoteRows(selected);
    }
}

void RemotePaneView::UpOneLevel() {
    pane_.RemoteUpOneLevel();
}

void RemotePaneView::Back() {
    pane_.RemoteBack();
}

void RemotePaneView::Forward() {
    pane_.RemoteForward();
}

void RemotePaneView::ChangeFolder(const std::string& path) {
    if (IsConnected()) {
        pane_.ChangeRemoteFolder(path);
    }
}

void RemotePaneView::OpenSelection() {
    if (IsConnected() && !pane_.editing()) {
        pane_.OpenRemoteSelection(true);
    }
}

void RemotePaneView::DeleteSelection() {
    pane_.DeleteSelection();
}

void RemotePaneView::StartRename() {
    if (!pane_.editing()) {
        pane_.StartRename();
    }
}

void RemotePaneView::StartNewFolder() {
    if (!pane_.editing()) {
        pane_.StartNewFolder();
    }
}

void RemotePaneView::EditRow(int row) {
    const QModelIndex index = model_->index(row, kRemoteColumnName);
    view_->setCurrentIndex(index);
    view_->scrollTo(index);
    view_->edit(index);
}

void RemotePaneView::EndEditing(bool committed, const QString& text) {
    if (!pane_.editing()) {
        return;
    }
    if (pane_.session().inUse()) {
        QTimer::singleShot(kEditRetryMs, this,
                           [this, committed, text] { EndEditing(committed, text); });
        return;
    }
    if (committed) {
        pane_.EndEditing(text.toStdString());
    } else {
        pane_.CancelEditing();
    }
}

void RemotePaneView::SelectionToPane() {
    if (applyingPaneSelection_) {
        return;
    }
    std::vector<std::size_t> rows;
    for (const QModelIndex& index : view_->selectionModel()->selectedRows(kRemoteColumnName)) {
        rows.push_back(static_cast<std::size_t>(index.row()));
    }
    pane_.SetSelection(std::move(rows));
    const QModelIndex current = view_->selectionModel()->currentIndex();
    pane_.SetFocusedRow(current.isValid() ? current.row() : -1);
    emit selectionChanged();
}

void RemotePaneView::SelectionFromPane() {
    applyingPaneSelection_ = true;
    QItemSelection selection;
    for (const std::size_t row : pane_.selection()) {
        selection.select(model_->index(static_cast<int>(row), 0),
                         model_->index(static_cast<int>(row), kRemoteColumnCount - 1));
    }
    QItemSelectionModel* model = view_->selectionModel();
    model->select(selection, QItemSelectionModel::ClearAndSelect);
    const int focused = pane_.focusedRow();
    if (focused >= 0) {
        const QModelIndex index = model_->index(focused, kRemoteColumnName);
        model->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        view_->scrollTo(index);
    } else {
        model->setCurrentIndex({}, QItemSelectionModel::NoUpdate);
    }
    applyingPaneSelection_ = false;
    emit selectionChanged();
}

void RemotePaneView::UploadDroppedFiles(const QStringList& paths) {
    if (!IsConnected() || paths.isEmpty()) {
        return;
    }
    emit filesDropped(paths);
    std::vector<std::string> files;
    for (const QString& path : paths) {
        files.push_back(path.toStdString());
    }
    emit transferStarting();
    SelectionTransfers transfers(pane_.session(), pane_, ui_, launcher_, window());
    transfers.UploadDroppedFiles(files);
    emit transferFinished();
}

QList<QUrl> RemotePaneView::DownloadSelectionForDrag() {
    QList<QUrl> urls;
    const std::string openFolder = GetOpenFilesFolder();
    if (!IsConnected() || pane_.selection().empty() || openFolder.empty()) {
        return urls;
    }
    RemoveOldDragFolders(openFolder);
    // A folder of its own per drag: an earlier drag's files may still be copied by their target.
    std::string folder = PathJoin(openFolder, std::string(kDragFolderPrefix) + "XXXXXX");
    if (mkdtemp(folder.data()) == nullptr) {
        return urls;
    }
    std::vector<std::string> names;
    for (const std::size_t row : pane_.selection()) {
        const RemotePaneItem& item = pane_.rows()[row];
        names.push_back(item.kind == kItemLink ? LinkOwnName(item.name) : item.name);
    }
    emit transferStarting();
    SelectionTransfers transfers(pane_.session(), pane_, ui_, launcher_, window());
    transfers.DownloadSelection(folder);
    emit transferFinished();
    for (const std::string& name : names) {
        const std::string path = folder + "/" + name;
        if (IsSafeName(name) && path.size() <= kTextLimit && PathExists(path)) {
            urls << QUrl::fromLocalFile(QString::fromStdString(path));
        }
    }
    return urls;
}

QMenu* RemotePaneView::CreateContextMenu(const QPoint& pos, QWidget* menuParent) const {
    const bool connected = IsConnected();
    const QModelIndex index = view_->indexAt(pos);
    const bool onItem = connected && index.isValid() && index.row() != pane_.editingRow();
    auto* menu = new QMenu(menuParent);
    const auto add = [menu](const char* text, int command, bool enabled) {
        QAction* action = menu->addAction(QString::fromLatin1(text));
        action->setData(command);
        action->setObjectName(QString::number(command));
        action->setEnabled(enabled);
    };
    add("Open", kRemoteOpenCommand, onItem);
    menu->addSeparator();
    add("Download", kRemoteDownloadCommand, onItem);
    menu->addSeparator();
    add("Delete", kRemoteDeleteCommand, onItem);
    add("Rename", kRemoteRenameCommand, onItem);
    menu->addSeparator();
    add("New Folder", kRemoteNewFolderCommand, connected);
    menu->addSeparator();
    add("Refresh", kRemoteRefreshCommand, connected);
    return menu;
}
