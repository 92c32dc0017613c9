#include "ui/file_table_model.h"

void FileTableModel::SetEditableRow(int row) {
    editableRow_ = row;
    committed_.clear();
}

int FileTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kFileColumnCount;
}

bool FileTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || index.row() != editableRow_ || index.column() != kFileColumnName) {
        return false;
    }
    committed_ = value.toString().trimmed();
    return true;
}

Qt::ItemFlags FileTableModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.row() == editableRow_ && index.column() == kFileColumnName) {
        flags |= Qt::ItemIsEditable;
    }
    return flags;
}

QVariant FileTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const kTitles[kFileColumnCount] = {"Name", "Size", "Kind", "Date Modified"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kFileColumnCount) {
        return {};
    }
    return QString::fromLatin1(kTitles[section]);
}

QVariant FileTableModel::Alignment(int column) {
    return column == kFileColumnSize ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
}
