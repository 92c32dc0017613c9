#include <string>
#include <utility>
#include <vector>

#include "frame/ascii_case.h"
#include "frame/logger.h"
#include "ftp/remote_listing.h"
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

std::string DeleteQuestion(const std::vector<std::pair<std::string, std::uint32_t>>& targets) {
    if (targets.size() != 1) {
        return "Are you sure you want to delete the selected files or directories ?";
    }
    const char* what = targets[0].second == kItemFile ? "file" : "folder";
    return std::string("Are you sure you want to delete selected ") + what + ":\n\"" +
           targets[0].first + "\" ?";
}

}  // namespace

void RemotePane::AddNewFolderRow() {
    const std::size_t row = rows_.size();
    if (listener_ != nullptr) {
        listener_->OnRemoteRowAboutToBeInserted(row);
    }
    RemotePaneItem folder;
    folder.kind = kItemFolder;
    rows_.push_back(std::move(folder));
    if (listener_ != nullptr) {
        listener_->OnRemoteRowInserted(row);
    }
    FocusAndSelect(row);
    editing_ = true;
    editingRow_ = static_cast<int>(row);
    oldName_.clear();
    NotifySelectionChanged();
    if (listener_ != nullptr) {
        listener_->OnRemoteEditRow(row);
    }
}

bool RemotePane::StartNewFolder() {
    if (!session_.connected) {
        return false;
    }
    AddNewFolderRow();
    return true;
}

bool RemotePane::StartRename() {
    if (!session_.connected || focusedRow_ < 0 ||
        static_cast<std::size_t>(focusedRow_) >= rows_.size()) {
        return false;
    }
    editing_ = true;
    editingRow_ = focusedRow_;
    oldName_ = rows_[focusedRow_].name;
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
    if (session_.inUse()) {
        // The edit stays open, to be ended again once the session is free.
        LogSessionBusy();
        return;
    }
    if (editingRow_ >= 0 && static_cast<std::size_t>(editingRow_) < rows_.size()) {
        rows_[editingRow_].name = text;
        if (listener_ != nullptr) {
            listener_->OnRemoteRowChanged(static_cast<std::size_t>(editingRow_));
        }
    }
    SessionInUse use(session_);
    UserInterfaceServices& ui = session_.ui();
    const bool renaming = !oldName_.empty();
    if (!renaming && text.empty()) {
        ui.MessageBox(session_.window(), kInvalidNameText, kInvalidNameTitle);
        ListFolder();
        AddNewFolderRow();
        return;
    }
    ui.SetBusy(true);
    LProcessInterfaceVoidInstance silent(session_);
    if (renaming) {
        if (!text.empty() && !EqualsIgnoringCase(text, oldName_) &&
            FtpRename(silent, session_.connection, oldName_, text) != LPROCESS_OK) {
            ui.MessageBox(session_.window(), kRenameFailedText, kErrorTitle);
        }
    } else if (FtpMakeDirectory(silent, session_.connection, text) != LPROCESS_OK) {
        ui.MessageBox(session_.window(), kCreateFailedText, kErrorTitle);
    }
    editing_ = false;
    editingRow_ = -1;
    oldName_.clear();
    ListFolder();
    SelectRowNamed(text);
    ui.SetBusy(false);
}

void RemotePane::DeleteSelection() {
    if (!session_.connected || selection_.empty()) {
        return;
    }
    if (session_.inUse()) {
        LogSessionBusy();
        return;
    }
    // Name and kind of each selected row, in row order.
    std::vector<std::pair<std::string, std::uint32_t>> targets;
    for (std::size_t row : selection_) {
        targets.emplace_back(rows_[row].name, rows_[row].kind);
    }
    UserInterfaceServices& ui = session_.ui();
    if (!ui.AskBox(session_.window(), DeleteQuestion(targets), "Confirm Delete", "Delete",
                   "Cancel")) {
        return;
    }
    WithSession([&] {
        ui.SetBusy(true);
        for (const auto& [name, kind] : targets) {
            const bool isFile = kind == kItemFile;
            const LProcessResult result = isFile
                                              ? FtpDeleteFile(session_, session_.connection, name)
                                              : FtpDeleteTree(session_, session_.connection, name);
            if (result != LPROCESS_OK) {
                const std::string text = std::string(isFile ? "Unable to delete file \""
                                                            : "Unable to delete directory \"") +
                                         name + "\".";
                Log(kLogError, text);
                ui.MessageBox(session_.window(), text, kErrorTitle);
                break;
            }
        }
        ui.SetBusy(false);
        const int focused = focusedRow_;
        ListFolder();
        if (!rows_.empty() && focused >= 0) {
            FocusAndSelect(std::min(static_cast<std::size_t>(focused), rows_.size() - 1));
        }
        NotifySelectionChanged();
        return true;
    });
}
