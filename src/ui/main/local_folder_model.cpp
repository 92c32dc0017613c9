#include "ui/main/local_folder_model.h"

#include <QApplication>
#include <QStyle>
#include <algorithm>
#include <numeric>

#include "settings/preference_options.h"

void LocalFolderModel::SetEntries(std::vector<LocalEntry> entries) {
    beginResetModel();
    entries_ = std::move(entries);
    ForgetEditableRow();
    endResetModel();
}

int LocalFolderModel::AppendNewFolderRow() {
    const int row = static_cast<int>(entries_.size());
    beginInsertRows({}, row, row);
    LocalEntry folder;
    folder.folder = true;
    entries_.push_back(std::move(folder));
    endInsertRows();
    return row;
}

QString LocalFolderModel::Text(int row, int column) const {
    if (row < 0 || static_cast<std::size_t>(row) >= entries_.size()) {
        return {};
    }
    const LocalEntry& entry = entries_[row];
    switch (column) {
        case kLocalColumnName:
            return QString::fromStdString(entry.name);
        case kLocalColumnSize:
            // The local list always counts in KB, whatever the remote list's unit.
            return entry.folder
                       ? QString()
                       : QString::fromStdString(FormatSizeInUnits(entry.size, kSizeUnitKiloBytes));
        case kLocalColumnKind:
            return QString::fromStdString(entry.kind);
        case kLocalColumnDate:
            return QString::fromStdString(LocalDateText(entry.modified));
        default:
            return {};
    }
}

int LocalFolderModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

QVariant LocalFolderModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    const int row = index.row();
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return Text(row, index.column());
        case Qt::EditRole:
            return Text(row, kLocalColumnName);
        case Qt::DecorationRole:
            if (index.column() != kLocalColumnName) {
                return {};
            }
            return QApplication::style()->standardIcon(entries_[row].folder ? QStyle::SP_DirIcon
                                                                            : QStyle::SP_FileIcon);
        case Qt::TextAlignmentRole:
            return Alignment(index.column());
        default:
            return {};
    }
}

void LocalFolderModel::sort(int column, Qt::SortOrder order) {
    if (editableRow() >= 0 || column < 0 || column >= kLocalColumnCount) {
        return;
    }
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const auto compare = [column](const LocalEntry& a, const LocalEntry& b) {
        const auto three = [](const auto& x, const auto& y) { return (x > y) - (x < y); };
        switch (column) {
            case kLocalColumnSize:
                return three(a.size, b.size);
            case kLocalColumnKind:
                return a.kind.compare(b.kind);
            case kLocalColumnDate:
                return three(a.modified, b.modified);
            default:
                return a.name.compare(b.name);
        }
    };
    std::vector<std::size_t> sorted(entries_.size());
    std::iota(sorted.begin(), sorted.end(), std::size_t{0});
    std::stable_sort(sorted.begin(), sorted.end(), [&](std::size_t a, std::size_t b) {
        const LocalEntry& first = entries_[a];
        const LocalEntry& second = entries_[b];
        if (first.folder != second.folder) {
            return first.folder;
        }
        const int compared = compare(first, second);
        return order == Qt::AscendingOrder ? compared < 0 : compared > 0;
    });
    std::vector<int> newRow(entries_.size());
    std::vector<LocalEntry> entries;
    entries.reserve(entries_.size());
    for (std::size_t position = 0; position < sorted.size(); ++position) {
        newRow[sorted[position]] = static_cast<int>(position);
        entries.push_back(std::move(entries_[sorted[position]]));
    }
    entries_ = std::move(entries);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    for (const QModelIndex& index : before) {
        after << this->index(newRow[index.row()], index.column());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
