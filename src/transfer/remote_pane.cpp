#include "transfer/remote_pane.h"

#include <algorithm>

std::vector<std::string> RemotePane::SelectedRemoteNames() {
    std::vector<std::string> names;
    for (std::size_t row : selection_) {
        names.push_back(rows_[row][kRemoteColumnName]);
    }
    return names;
}

std::string RemotePane::RemoteFolder() {
    return remoteDir.empty() ? std::string("/") : remoteDir;
}

bool RemotePane::RefreshRemoteListing() {
    return RefreshListing();
}

void RemotePane::SelectRemoteRows(const std::vector<std::string>& names) {
    selection_.clear();
    focusedRow_ = -1;
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        if (std::find(names.begin(), names.end(), rows_[row][kRemoteColumnName]) != names.end()) {
            selection_.push_back(row);
        }
    }
    if (!selection_.empty()) {
        focusedRow_ = static_cast<int>(selection_.front());
    }
    NotifyRowsChanged();
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
        if (rows_[row][kRemoteColumnName] == name) {
            FocusAndSelect(row);
            NotifyRowsChanged();
            return true;
        }
    }
    return false;
}

void RemotePane::FocusAndSelect(std::size_t row) {
    selection_.assign(1, row);
    focusedRow_ = static_cast<int>(row);
}

void RemotePane::ClearRows() {
    rows_.clear();
    items_.clear();
    selection_.clear();
    focusedRow_ = -1;
}

void RemotePane::Disconnect() {
    LFtpList::Disconnect();
    ClearRows();
    editing_ = false;
    editingRow_ = -1;
    oldName_.clear();
    history_.fill(std::string());
    historyPosition_ = 0;
    connected = false;
    NotifyRowsChanged();
}

void RemotePane::NotifyCommand(std::uint32_t command) {
    if (listener_ != nullptr) {
        listener_->OnRemotePaneCommand(command);
    }
}

void RemotePane::NotifyRowsChanged() {
    if (listener_ != nullptr) {
        listener_->OnRemoteRowsChanged();
    }
}
