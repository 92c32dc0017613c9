#include "ui/sites/site_list_model.h"

#include <QApplication>
#include <QIcon>
#include <QStyle>

#include "frame/ascii_case.h"
#include "settings/ftp_account.h"

SiteListModel::SiteListModel(QObject* parent) : QAbstractTableModel(parent) {}

bool SiteListModel::Refill(const std::string& connectedSite) {
    std::vector<std::string> labels = ListFtpAccountLabels();
    connectedSite_ = connectedSite;
    if (labels == labels_) {
        // Another program may have changed an account's values: read the shown rows again.
        details_.assign(labels_.size(), Details{});
        if (!labels_.empty()) {
            emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1));
        }
        return true;
    }
    beginResetModel();
    labels_ = std::move(labels);
    details_.assign(labels_.size(), Details{});
    endResetModel();
    return false;
}

int SiteListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(labels_.size());
}

int SiteListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant SiteListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const int row = index.row();
    if (role == Qt::DecorationRole && index.column() == kLabelColumn && IsConnected(row)) {
        return QApplication::style()->standardIcon(QStyle::SP_DialogApplyButton);
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) {
        return {};
    }
    switch (index.column()) {
        case kLabelColumn:
            return QString::fromStdString(label(row));
        case kServerColumn:
            return QString::fromStdString(DetailsOf(row).server);
        case kDirectoryColumn:
            return QString::fromStdString(DetailsOf(row).directory);
        case kStatusColumn:
            return IsConnected(row) ? tr("Connected") : QString();
        default:
            return {};
    }
}

QVariant SiteListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
        case kLabelColumn:
            return tr("Label");
        case kServerColumn:
            return tr("FTP Server");
        case kDirectoryColumn:
            return tr("Directory");
        case kStatusColumn:
            return tr("Status");
        default:
            return {};
    }
}

bool SiteListModel::IsConnected(int row) const {
    return !connectedSite_.empty() && EqualsIgnoringCase(label(row), connectedSite_);
}

const SiteListModel::Details& SiteListModel::DetailsOf(int row) const {
    Details& details = details_.at(static_cast<std::size_t>(row));
    if (!details.read) {
        FtpAccount account;
        LoadFtpAccount(label(row), account);
        details.server = account.server;
        details.directory = account.directory;
        details.read = true;
    }
    return details;
}
