#include "ui/main/remote_pane_model.h"

#include <QApplication>
#include <QStyle>

#include "ftp/remote_listing.h"

namespace {

QIcon KindIcon(std::uint32_t kind) {
    const QStyle::StandardPixmap pixmap = kind == kItemFolder ? QStyle::SP_DirIcon
                                          : kind == kItemLink ? QStyle::SP_FileLinkIcon
                                                              : QStyle::SP_FileIcon;
    return QApplication::style()->standardIcon(pixmap);
}

}  // namespace

RemotePaneModel::RemotePaneModel(QObject* parent, RemotePane& pane)
    : QAbstractTableModel(parent), pane_(pane) {
    pane_.SetListener(this);
}

RemotePaneModel::~RemotePaneModel() {
    pane_.SetListener(nullptr);
}

int RemotePaneModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(pane_.rows().size());
}

int RemotePaneModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kRemoteColumnCount;
}

QVariant RemotePaneModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || static_cast<std::size_t>(index.row()) >= pane_.rows().size()) {
        return {};
    }
    const auto row = static_cast<std::size_t>(index.row());
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return QString::fromStdString(pane_.Text(row, index.column()));
        case Qt::EditRole:
            return QString::fromStdString(pane_.rows()[row].name);
        case Qt::DecorationRole:
            return index.column() == kRemoteColumnName ? KindIcon(pane_.rows()[row].kind)
                                                       : QVariant();
        case Qt::TextAlignmentRole:
            return index.column() == kRemoteColumnSize ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                                       : QVariant();
        default:
            return {};
    }
}

bool RemotePaneModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || index.row() != pane_.editingRow() ||
        index.column() != kRemoteColumnName) {
        return false;
    }
    committed_ = value.toString().trimmed();
    return true;
}

Qt::ItemFlags RemotePaneModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (!index.isValid()) {
        return flags;
    }
    if (index.row() == pane_.editingRow()) {
        return index.column() == kRemoteColumnName ? flags | Qt::ItemIsEditable : flags;
    }
    return flags | Qt::ItemIsDragEnabled;
}

QVariant RemotePaneModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const kTitles[kRemoteColumnCount] = {"Name", "Size", "Kind",
                                                            "Date Modified"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kRemoteColumnCount) {
        return {};
    }
    return QString::fromLatin1(kTitles[section]);
}

void RemotePaneModel::sort(int column, Qt::SortOrder order) {
    sorting_ = true;
    pane_.SortRows(column, order == Qt::AscendingOrder);
    sorting_ = false;
}

void RemotePaneModel::OnRemotePaneCommand(std::uint32_t command) {
    emit paneCommand(static_cast<int>(command));
}

void RemotePaneModel::OnRemoteRowsAboutToReset() {
    beginResetModel();
}

void RemotePaneModel::OnRemoteRowsReset() {
    committed_.clear();
    endResetModel();
}

void RemotePaneModel::OnRemoteRowAboutToBeInserted(std::size_t row) {
    beginInsertRows({}, static_cast<int>(row), static_cast<int>(row));
}

void RemotePaneModel::OnRemoteRowInserted(std::size_t) {
    endInsertRows();
}

void RemotePaneModel::OnRemoteRowChanged(std::size_t row) {
    emit dataChanged(index(static_cast<int>(row), 0),
                     index(static_cast<int>(row), kRemoteColumnCount - 1));
}

void RemotePaneModel::OnRemoteSelectionChanged() {
    emit paneSelectionChanged();
}

void RemotePaneModel::OnRemoteEditRow(std::size_t row) {
    committed_.clear();
    emit editRowRequested(static_cast<int>(row));
}
