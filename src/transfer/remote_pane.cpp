#include "transfer/remote_pane.h"

#include <algorithm>

#include "ftp/date_time.h"
#include "ftp/remote_listing.h"

namespace {

const char* KindText(std::uint32_t kind) {
    if (kind == kItemFolder) {
        return kRemoteKindFolder;
    }
    return kind == kItemLink ? kRemoteKindLink : kRemoteKindFile;
}

}  // namespace

std::string RemotePane::Text(std::size_t row, int column) const {
    if (row >= rows_.size()) {
        return "";
    }
    const RemotePaneItem& item = rows_[row];
    switch (column) {
        case kRemoteColumnName:
            return item.name;
        case kRemoteColumnSize:
            return item.kind == kItemFolder ? "" : FormatSizeInUnits(item.size, sizeUnits_);
        case kRemoteColumnKind:
            return KindText(item.kind);
        case kRemoteColumnDate: {
            std::string date;
            std::string time;
            FormatDateTime(item.modified, date, time);
            return item.modified == 0 ? "" : date + " " + time;
        }
        default:
            return "";
    }
}

std::vector<std::string> RemotePane::SelectedRemoteNames() {
    std::vector<std::string> names;
    for (std::size_t row : selection_) {
        names.push_back(rows_[row].name);
    }
    return names;
}

std::string RemotePane::RemoteFolder() {
    return session_.remoteDir.empty() ? std::string("/") : session_.remoteDir;
}

bool RemotePane::RefreshRemoteListing() {
    return RefreshListing();
}

void RemotePane::SelectRemoteRows(const std::vector<std::string>& names) {
    selection_.clear();
    focusedRow_ = -1;
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        if (std::find(names.begin(), names.end(), rows_[row].name) != names.end()) {
            selection_.push_back(row);
        }
    }
    if (!selection_.empty()) {
        focusedRow_ = static_cast<int>(selection_.front());
    }
    NotifySelectionChanged();
}

void RemotePane::SetSelection(std::vector<std::size_t> rows) {
    std::erase_if(rows, [this](std::size_t row) { return row >= rows_.size(); });
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    selection_ = std::move(rows);
}

void RemotePane::SetFocusedRow(int row) {
    focusedRow_ = row >= 0 && static_cast<std::size_t>(row) < rows_.size() ? row : -1;
}

bool RemotePane::SelectRowNamed(const std::string& name) {
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        if (rows_[row].name == name) {
            FocusAndSelect(row);
            NotifySelectionChanged();
            return true;
        }
    }
    return false;
}

void RemotePane::FocusAndSelect(std::size_t row) {
    selection_.assign(1, row);
    focusedRow_ = static_cast<int>(row);
}

void RemotePane::ResetRows(std::vector<RemotePaneItem> rows) {
    if (listener_ != nullptr) {
        listener_->OnRemoteRowsAboutToReset();
    }
    rows_ = std::move(rows);
    selection_.clear();
    focusedRow_ = -1;
    if (listener_ != nullptr) {
        listener_->OnRemoteRowsReset();
    }
}

bool RemotePane::WithSession(const std::function<bool()>& operation) {
    SessionInUse use(session_);
    if (!use) {
        LogSessionBusy();
        return false;
    }
    return operation();
}

bool RemotePane::Connect(const std::string& host, const std::string& user,
                         const std::string& password, const std::string& startDirectory,
                         bool useTls) {
    if (session_.inUse()) {
        LogSessionBusy();
        return false;
    }
    Forget();
    return session_.Connect(host, user, password, startDirectory, useTls,
                            [this] { return ListAndRecord(); });
}

void RemotePane::Disconnect() {
    if (session_.inUse()) {
        LogSessionBusy();
        return;
    }
    session_.Disconnect();
    Forget();
}

void RemotePane::Forget() {
    ResetRows({});
    editing_ = false;
    editingRow_ = -1;
    oldName_.clear();
    history_.fill(std::string());
    historyPosition_ = 0;
    session_.connected = false;
    NotifySelectionChanged();
}

void RemotePane::NotifyCommand(std::uint32_t command) {
    if (listener_ != nullptr) {
        listener_->OnRemotePaneCommand(command);
    }
}

void RemotePane::NotifySelectionChanged() {
    if (listener_ != nullptr) {
        listener_->OnRemoteSelectionChanged();
    }
}
