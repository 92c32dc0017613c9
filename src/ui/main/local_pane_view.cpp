#include "ui/main/local_pane_view.h"

#include <QAbstractItemDelegate>
#include <QHeaderView>
#include <QMenu>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "frame/file_system.h"
#include "frame/path_names.h"
#include "frame/paths.h"
#include "ui/main/local_folder_model.h"
#include "ui/row_list_view.h"

namespace {

constexpr char kListTip[] = "Local files listing";
constexpr int kNameColumnWidth = 200;

}  // namespace

LExplorerFolderControl::LExplorerFolderControl(QWidget* parent, UserInterfaceServices& ui)
    : QWidget(parent), ui_(ui), view_(new QTreeView(this)), model_(new LocalFolderModel(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);

    view_->setToolTip(QString::fromLatin1(kListTip));
    SetUpRowList(view_, model_, QStringLiteral("101"), QString::fromLatin1(kListTip));
    view_->header()->setStretchLastSection(true);
    view_->header()->resizeSection(kLocalColumnName, kNameColumnWidth);
    // Sorted on request only: a new listing shows folders first and names in byte order.
    view_->header()->setSectionsClickable(true);
    view_->header()->setSortIndicatorShown(true);
    view_->header()->setSortIndicator(-1, Qt::AscendingOrder);
    setFocusProxy(view_);

    connect(view_->header(), &QHeaderView::sortIndicatorChanged, this,
            [this](int column, Qt::SortOrder order) {
                if (column >= 0) {
                    model_->sort(column, order);
                }
            });
    connect(view_, &QAbstractItemView::activated, this, [this] {
        if (model_->editableRow() < 0) {
            emit activated();
        }
    });
    connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &LExplorerFolderControl::selectionChanged);
    connect(view_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        emit contextMenuRequested(pos, view_->viewport()->mapToGlobal(pos));
    });
    connect(view_->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
            [this](QWidget*, QAbstractItemDelegate::EndEditHint hint) {
                const bool committed = hint != QAbstractItemDelegate::RevertModelCache;
                const QString text = committed ? model_->committedText() : QString();
                // After the editor has gone: the end of the edit lists the folder again.
                QMetaObject::invokeMethod(
                    this, [this, committed, text] { EndEditing(committed, text); },
                    Qt::QueuedConnection);
            });
}

LExplorerFolderControl::~LExplorerFolderControl() = default;

bool LExplorerFolderControl::ListFolder(const std::string& path) {
    return ShowFolder(path, true);
}

bool LExplorerFolderControl::OpenTypedPath(const std::string& path) {
    if (!IsFolderPath(path)) {
        ui_.ErrorBox("Path is not valid.");
        return false;
    }
    return ListFolder(path);
}

void LExplorerFolderControl::Refresh() {
    ShowFolder(folder_, false);
}

void LExplorerFolderControl::UpOneLevel() {
    const std::string parent = ParentPath(folder_);
    ListFolder(parent.empty() ? std::string("/") : parent);
}

void LExplorerFolderControl::Back() {
    if (history_.CanGoBack()) {
        ShowFolder(history_.Back(), false);
    }
}

void LExplorerFolderControl::Forward() {
    if (history_.CanGoForward()) {
        ShowFolder(history_.Forward(), false);
    }
}

bool LExplorerFolderControl::ShowFolder(const std::string& path, bool record) {
    std::vector<LocalEntry> entries;
    if (path.empty() || !ReadLocalEntries(path, entries)) {
        return false;
    }
    editing_ = false;
    oldName_.clear();
    model_->SetEntries(std::move(entries));
    {
        const QSignalBlocker blocker(view_->header());
        view_->header()->setSortIndicator(-1, Qt::AscendingOrder);
    }
    if (model_->rowCount() > 0) {
        view_->setCurrentIndex(model_->index(0, kLocalColumnName));
    }
    view_->scrollToTop();
    folder_ = path;
    if (record) {
        history_.Record(path);
    }
    emit folderChanged();
    return true;
}

bool LExplorerFolderControl::IsFolderValid() const {
    return !folder_.empty() && IsFolderPath(folder_);
}

std::vector<int> LExplorerFolderControl::SelectedRows() const {
    std::vector<int> rows;
    const int count = static_cast<int>(model_->entries().size());
    for (const QModelIndex& index : view_->selectionModel()->selectedRows(kLocalColumnName)) {
        // The new folder being named is no item yet.
        if (index.row() < count && !model_->entries()[index.row()].name.empty()) {
            rows.push_back(index.row());
        }
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

bool LExplorerFolderControl::HasSelection() const {
    return !SelectedRows().empty();
}

std::vector<std::string> LExplorerFolderControl::SelectedPaths() const {
    std::vector<std::string> paths;
    for (const int row : SelectedRows()) {
        paths.push_back(PathJoin(folder_, model_->entries()[row].name));
    }
    return paths;
}

std::vector<std::string> LExplorerFolderControl::ItemPaths() const {
    std::vector<std::string> paths;
    for (const LocalEntry& entry : model_->entries()) {
        if (!entry.name.empty()) {
            paths.push_back(PathJoin(folder_, entry.name));
        }
    }
    return paths;
}

QMenu* LExplorerFolderControl::CreateContextMenu(const QPoint& pos, QWidget* menuParent) const {
    const QModelIndex index = view_->indexAt(pos);
    const bool onItem = index.isValid() && index.row() < static_cast<int>(model_->rowCount()) &&
                        !model_->entries()[index.row()].name.empty();
    auto* menu = new QMenu(menuParent);
    const auto add = [menu](const char* text, int command, bool enabled) {
        QAction* action = menu->addAction(QString::fromLatin1(text));
        action->setData(command);
        action->setObjectName(QString::number(command));
        action->setEnabled(enabled);
    };
    if (onItem && model_->entries()[index.row()].name.find('.') != std::string::npos) {
        add("Upload", kLocalUploadCommand, true);
    }
    add("Open", kLocalOpenCommand, onItem);
    add("Rename", kLocalRenameCommand, onItem);
    add("Delete", kLocalDeleteCommand, onItem);
    menu->addSeparator();
    add("New Folder", kLocalNewFolderCommand, true);
    return menu;
}
