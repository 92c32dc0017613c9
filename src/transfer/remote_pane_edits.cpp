#include <string>
#include <utility>
#include <vector>

#include "frame/ascii_case.h"
#include "frame/logger.h"
#include "ftp/remote_ops.h"
#include "transfer/remote_pane.h"

namespace {

constexpr char kErrorTitle[] = "Error";
constexpr char kInvalidNameText[] = "Please enter a valid folder name.";
constexpr char kInvalidNameTitle[] = "Invalid Name";
constexpr char kRenameFailedText[] =
    "Cannot rename the file. Please check with your system administrator whether you have "
    "write permission on this folder.";
constexpr char kCreateFailedText[] = "Create directory failed. Check you have permissions.";

std::string DeleteQuestion(const std::vector<std::pair<std::string, std::string>>& targets) {
    if (targets.size() != 1) {
        return "Are you sure you want to delete the selected files or directories ?";
    }
    const char* what = targets[0].second == kRemoteKindFile ? "file" : "folder";
    return std::string("Are you sure you want to delete selected ") + what + ":\n\"" +
           targets[0].first + "\" ?";
}

}  // namespace

void RemotePane::AddNewFolderRow() {
    RemotePaneRow row;
    row[kRemoteColumnKind] = kRemoteKindFolder;
    rows_.push_back(std::move(row));
    FocusAndSelect(rows_.size() - 1);
    editing_ = true;
    editingRow_ = static_cast<int>(rows_.size() - 1);
    oldName_.clear();
    NotifyRowsChanged();
    if (listener_ != nullptr) {
        listener_->OnRemoteEditRow(rows_.size() - 1);
    }
}

bool RemotePane::StartNewFolder() {
    if (!connected) {
        return false;
    }
    AddNewFolderRow();
    return true;
}

bool RemotePane::StartRename() {
    if (!connected || focusedRow_ < 0 || static_cast<std::size_t>(focusedRow_) >= rows_.size()) {
        return false;
    }
    editing_ = true;
    editingRow_ = focusedRow_;
    oldName_ = rows_[focusedRow_][kRemoteColumnName];
    if (listener_ != nullptr) {
        listener_->OnRemoteEditRow(static_cast<std::size_t>(focusedRow_));
    }
    return true;
}

void RemotePane::CancelEditing() {
    if (!editing_) {
        return;
    }
    editing_ = false;
    editingRow_ = -1;
    oldName_.clear();
    RefreshListing();
}

void RemotePane::EndEditing(const std::string& text) {
    if (!editing_) {
        return;
    }
    if (editingRow_ >= 0 && static_cast<std::size_t>(editingRow_) < rows_.size()) {
        rows_[editingRow_][kRemoteColumnName] = text;
    }
    const bool renaming = !oldName_.empty();
    if (!renaming && text.empty()) {
        ui().MessageBox(window(), kInvalidNameText, kInvalidNameTitle);
        RefreshListing();
        AddNewFolderRow();
        return;
    }
    ui().SetBusy(true);
    LProcessInterfaceVoidInstance silent;
    if (renaming) {
        if (!text.empty() && !EqualsIgnoringCase(text, oldName_) &&
            FtpRename(silent, connection, oldName_, text) != LPROCESS_OK) {
            ui().MessageBox(window(), kRenameFailedText, kErrorTitle);
        }
    } else if (FtpMakeDirectory(silent, connection, text) != LPROCESS_OK) {
        ui().MessageBox(window(), kCreateFailedText, kErrorTitle);
    }
    editing_ = false;
    editingRow_ = -1;
    oldName_.clear();
    RefreshListing();
    SelectRowNamed(text);
    ui().SetBusy(false);
}

void RemotePane::DeleteSelection() {
    if (!connected || selection_.empty()) {
        return;
    }
    // Name and kind text of each selected row, in row order.
    std::vector<std::pair<std::string, std::string>> targets;
    for (std::size_t row : selection_) {
        targets.emplace_back(rows_[row][kRemoteColumnName], rows_[row][kRemoteColumnKind]);
    }
    if (!ui().AskBox(window(), DeleteQuestion(targets), "Confirm Delete", "Delete", "Cancel")) {
        return;
    }
    ui().SetBusy(true);
    for (const auto& [name, kind] : targets) {
        const bool isFile = kind == kRemoteKindFile;
        const LProcessResult result = isFile ? FtpDeleteFile(*this, connection, name)
                                             : FtpDeleteTree(*this, connection, name);
        if (result != LPROCESS_OK) {
            const std::string text =
                std::string(isFile ? "Unable to delete file \"" : "Unable to delete directory \"") +
                name + "\".";
            Log(kLogError, text);
            ui().MessageBox(window(), text, kErrorTitle);
            break;
        }
    }
    ui().SetBusy(false);
    const int focused = focusedRow_;
    RefreshListing();
    if (rows_.empty()) {
        selection_.clear();
        focusedRow_ = -1;
    } else if (focused >= 0) {
        FocusAndSelect(std::min(static_cast<std::size_t>(focused), rows_.size() - 1));
    }
    NotifyRowsChanged();
}
