#include <QMetaObject>
#include <QTimer>
#include <QTreeView>

#include "ftp/remote_ops.h"
#include "ui/explorer/explorer_busy.h"

namespace {

// An edit that ends while the keep-alive holds the session is ended again this much later.
constexpr int kEditRetryMs = 100;

constexpr int kDeleteYes = 1;

}  // namespace

void LFtpExplorer::DeleteSelection() {
    const std::vector<int> selected = SelectedRows();
    if (selected.empty()) {
        return;
    }
    std::vector<std::string> names;
    for (const int row : selected) {
        names.push_back(ExplorerRemoteName(model_->rows()[row]));
    }
    if (ui_.YesNoCancelBox(static_cast<QWidget*>(this),
                           "Are you sure you want to delete the selected file(s) or directory(s)?",
                           "Confirm Delete") != kDeleteYes ||
        !EnsureConnected()) {
        return;
    }
    const Busy busy(*this);
    if (!busy) {
        return;
    }
    LSecureSocket& connection = session_.connection;
    for (const std::string& name : names) {
        int kind = kItemUnknown;
        LProcessResult result = FtpGetItemType(iface_, connection, name, kind);
        if (result == LPROCESS_STOPPED) {
            return;
        }
        if (result != LPROCESS_OK) {
            // Folder names seldom have an extension.
            kind = name.find('.') == std::string::npos ? kItemFolder : kItemFile;
        }
        const bool folder = kind == kItemFolder;
        result = folder ? FtpDeleteTree(iface_, connection, name)
                        : FtpDeleteFile(iface_, connection, name);
        if (result == LPROCESS_STOPPED) {
            return;
        }
        if (result != LPROCESS_OK) {
            Alert(
                std::string(folder ? "Unable to delete directory \"" : "Unable to delete file \"") +
                name + "\".");
            break;
        }
    }
    RefreshHeld(folder_, true);
}

void LFtpExplorer::StartRename() {
    const QModelIndex current = list_->currentIndex();
    if (!current.isValid() || editingRow_ >= 0) {
        return;
    }
    editingOldName_ = ExplorerRemoteName(model_->rows()[current.row()]);
    EditRow(current.row());
}

void LFtpExplorer::StartNewFolder() {
    if (editingRow_ >= 0) {
        return;
    }
    namingNewFolder_ = true;
    editingOldName_.clear();
    EditRow(model_->AppendNewFolderRow());
}

void LFtpExplorer::EditRow(int row) {
    editingRow_ = row;
    model_->SetEditableRow(row);
    const QModelIndex index = model_->index(row, kExplorerColumnName);
    list_->setCurrentIndex(index);
    list_->scrollTo(index);
    list_->edit(index);
}

void LFtpExplorer::OnEditorClosed(bool committed) {
    const std::string text = committed ? model_->committedText().toStdString() : std::string();
    // After the editor has gone: the server's answer runs the window's events.
    QMetaObject::invokeMethod(
        this, [this, text] { EndEditing(text); }, Qt::QueuedConnection);
}

void LFtpExplorer::EndEditing(const std::string& text) {
    if (editingRow_ < 0 || closing_) {
        return;
    }
    if (busy_) {
        QTimer::singleShot(kEditRetryMs, this, [this, text] { EndEditing(text); });
        return;
    }
    const Busy busy(*this);
    if (!busy) {
        return;
    }
    const std::string oldName = editingOldName_;
    const bool newFolder = namingNewFolder_;
    editingRow_ = -1;
    namingNewFolder_ = false;
    editingOldName_.clear();
    model_->SetEditableRow(-1);
    LProcessResult result = LPROCESS_OK;
    if (!text.empty() && newFolder) {
        result = FtpMakeDirectory(iface_, session_.connection, text);
        if (result == LPROCESS_FAILED) {
            Alert("Create directory failed. Check you have permissions.");
        }
    } else if (!text.empty() && text != oldName) {
        result = FtpRename(iface_, session_.connection, oldName, text);
        if (result == LPROCESS_FAILED) {
            Alert("Rename file failed. Check you have permissions.");
        }
    }
    if (result != LPROCESS_STOPPED) {
        RefreshHeld(folder_, true);
        SelectRowNamed(text);
    }
}

void LFtpExplorer::SelectRowNamed(const std::string& name) {
    const std::vector<ExplorerRow>& rows = model_->rows();
    for (std::size_t row = 0; row < rows.size(); ++row) {
        if (!name.empty() && ExplorerRemoteName(rows[row]) == name) {
            list_->setCurrentIndex(model_->index(static_cast<int>(row), kExplorerColumnName));
            return;
        }
    }
}
