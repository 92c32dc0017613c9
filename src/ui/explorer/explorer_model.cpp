#include "ui/explorer/explorer_model.h"

#include <QApplication>
#include <QLocale>
#include <QStyle>
#include <cstdio>

#include "settings/preference_options.h"

namespace {

const char* KindText(int kind) {
    return kind == kItemFolder ? "Folder" : kind == kItemLink ? "Symbolic Link" : "File";
}

QIcon KindIcon(int kind) {
    const QStyle::StandardPixmap pixmap = kind == kItemFolder ? QStyle::SP_DirIcon
                                          : kind == kItemLink ? QStyle::SP_FileLinkIcon
                                                              : QStyle::SP_FileIcon;
    return QApplication::style()->standardIcon(pixmap);
}

// Which field of a date the system writes first: 'd', 'M' or 'y'.
char FirstDateField() {
    const QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
    for (const QChar c : format) {
        if (c == QLatin1Char('d') || c == QLatin1Char('M') || c == QLatin1Char('y')) {
            return c.toLatin1();
        }
    }
    return 'M';
}

}  // namespace

std::string ExplorerDateText(time_t time) {
    tm local{};
    if (time == 0 || localtime_r(&time, &local) == nullptr) {
        return "";
    }
    const int day = local.tm_mday;
    const int month = local.tm_mon + 1;
    const int year = local.tm_year + 1900;
    char text[64];
    switch (FirstDateField()) {
        case 'd':
            std::snprintf(text, sizeof text, "%.2d/%.2d/%.4d", day, month, year);
            break;
        case 'y':
            std::snprintf(text, sizeof text, "%.4d/%.2d/%.2d", year, month, day);
            break;
        default:
            std::snprintf(text, sizeof text, "%.2d/%.2d/%.4d", month, day, year);
            break;
    }
    char clock[16];
    std::snprintf(clock, sizeof clock, "%.2d:%.2d:%.2d", local.tm_hour, local.tm_min, local.tm_sec);
    return std::string(text) + " " + clock;
}

void ExplorerListModel::SetRows(std::vector<ExplorerRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    sizeUnits_ = LoadPreferenceOptions().fileSizeUnits;
    ForgetEditableRow();
    endResetModel();
}

int ExplorerListModel::AppendNewFolderRow() {
    const int row = static_cast<int>(rows_.size());
    beginInsertRows({}, row, row);
    ExplorerRow folder;
    folder.kind = kItemFolder;
    rows_.push_back(std::move(folder));
    endInsertRows();
    return row;
}

std::string ExplorerListModel::Text(int row, int column) const {
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) {
        return "";
    }
    const ExplorerRow& item = rows_[row];
    switch (column) {
        case kExplorerColumnName:
            return item.name;
        case kExplorerColumnSize:
            return item.kind == kItemFile ? FormatSizeInUnits(item.size, sizeUnits_) : "";
        case kExplorerColumnKind:
            return KindText(item.kind);
        case kExplorerColumnDate:
            return ExplorerDateText(item.modified);
        default:
            return "";
    }
}

int ExplorerListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant ExplorerListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    const int row = index.row();
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(Text(row, index.column()));
        case Qt::EditRole:
            return QString::fromStdString(ExplorerRemoteName(rows_[row]));
        case Qt::DecorationRole:
            return index.column() == kExplorerColumnName ? KindIcon(rows_[row].kind) : QVariant();
        case Qt::TextAlignmentRole:
            return Alignment(index.column());
        default:
            return {};
    }
}
