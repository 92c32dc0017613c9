#include <sys/stat.h>

#include <QTreeView>
#include <cerrno>
#include <cstdio>

#include "frame/file_system.h"
#include "frame/paths.h"
#include "ui/main/local_folder_model.h"
#include "ui/main/local_pane_view.h"

namespace {

constexpr mode_t kNewFolderMode = 0777;

}  // namespace

void LExplorerFolderControl::OpenSelection() {
    const QModelIndex current = view_->currentIndex();
    if (!current.isValid() || current.row() >= model_->rowCount()) {
        return;
    }
    const LocalEntry& entry = model_->entries()[current.row()];
    if (entry.name.empty()) {
        return;
    }
    const std::string path = PathJoin(folder_, entry.name);
    if (entry.folder) {
        ListFolder(path);
    } else {
        ui_.OpenWithDefaultApplication(path);
    }
}

void LExplorerFolderControl::DeleteSelection() {
    const std::vector<std::string> paths = SelectedPaths();
    if (paths.empty() ||
        !ui_.AskBox(window(),
                    "Are you sure you want to delete the selected file(s) or directory(s)?",
                    "Confirm Delete", "Delete", "Cancel")) {
        return;
    }
    ui_.SetBusy(true);
    for (const std::string& path : paths) {
        // Failures are not reported: what is left shows in the list.
        RemovePath(path);
    }
    ui_.SetBusy(false);
    Refresh();
}

void LExplorerFolderControl::StartRename() {
    const std::vector<int> rows = SelectedRows();
    const QModelIndex current = view_->currentIndex();
    const int row = current.isValid() ? current.row() : rows.empty() ? -1 : rows.front();
    if (editing_ || row < 0 || model_->entries()[row].name.empty()) {
        return;
    }
    oldName_ = model_->entries()[row].name;
    EditRow(row);
}

void LExplorerFolderControl::StartNewFolder() {
    if (editing_ || folder_.empty()) {
        return;
    }
    oldName_.clear();
    EditRow(model_->AppendNewFolderRow());
}

void LExplorerFolderControl::EditRow(int row) {
    editing_ = true;
    model_->SetEditableRow(row);
    const QModelIndex index = model_->index(row, kLocalColumnName);
    view_->setCurrentIndex(index);
    view_->scrollTo(index);
    view_->edit(index);
}

void LExplorerFolderControl::EndEditing(bool committed, const QString& text) {
    if (!editing_) {
        return;
    }
    const std::string name = text.toStdString();
    const std::string oldName = oldName_;
    editing_ = false;
    oldName_.clear();
    model_->SetEditableRow(-1);
    if (committed && !name.empty()) {
        const std::string path = PathJoin(folder_, name);
        if (!oldName.empty()) {
            if (name != oldName) {
                // A failed rename is not reported: the list shows the old name.
                static_cast<void>(std::rename(PathJoin(folder_, oldName).c_str(), path.c_str()));
            }
        } else if (mkdir(path.c_str(), kNewFolderMode) != 0 && errno != EEXIST) {
            ui_.CautionBox(window(), "Can not create folder: " + path, "Warning");
        }
    }
    Refresh();
    if (committed && !name.empty()) {
        SelectName(name);
    }
}

void LExplorerFolderControl::SelectName(const std::string& name) {
    const std::vector<LocalEntry>& entries = model_->entries();
    for (std::size_t row = 0; row < entries.size(); ++row) {
        if (entries[row].name == name) {
            const QModelIndex index = model_->index(static_cast<int>(row), kLocalColumnName);
            view_->setCurrentIndex(index);
            view_->scrollTo(index);
            return;
        }
    }
}
