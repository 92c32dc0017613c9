#include "frame/file_system.h"
#include "frame/path_names.h"
#include "frame/paths.h"
#include "ftp/download.h"
#include "ftp/open_remote_file.h"
#include "settings/section_settings.h"
#include "transfer/download_names.h"
#include "ui/explorer/explorer_busy.h"

namespace {

constexpr char kSaveAsFolderKey[] = "SaveAsFolder";

// Where the save dialogs start: the folder chosen last, else the user's documents.
std::string SaveStartFolder() {
    const std::string stored = GetSetting(kSettingsSection, kSaveAsFolderKey);
    return stored.empty() ? GetDocumentsFolder() : stored;
}

std::string OverwriteQuestion(const std::string& name) {
    return " " + name + "\n\nThe file already exists. Do you want to overwrite it?";
}

}  // namespace

void LFtpExplorer::OpenSelection() {
    const std::vector<int> selected = SelectedRows();
    if (selected.size() == 1) {
        const ExplorerRow row = model_->rows()[selected[0]];
        if (row.kind == kItemFolder) {
            ChangeFolder(PathJoin(folder_, row.name), true);
            return;
        }
        if (row.kind == kItemLink) {
            const std::string own = ExplorerRemoteName(row);
            ListOutcome outcome = ListOutcome::kStopped;
            if (const Busy busy(*this); busy) {
                // Tried quietly: a link the server will not enter is a file to download.
                outcome = EnterAndList(PathJoin(folder_, own));
                ShowConnectionStatus();
                if (outcome != ListOutcome::kRefused) {
                    emit Listed();
                }
            }
            if (outcome == ListOutcome::kRefused) {
                ExplorerRow file = row;
                file.name = own;
                DownloadRows({file});
            }
            return;
        }
        DownloadRows({row});
        return;
    }
    std::vector<ExplorerRow> files;
    for (const int index : selected) {
        if (model_->rows()[index].kind == kItemFile) {
            files.push_back(model_->rows()[index]);
        }
    }
    DownloadRows(files);
}

void LFtpExplorer::DownloadRows(const std::vector<ExplorerRow>& files) {
    if (files.empty()) {
        return;
    }
    const bool single = files.size() == 1;
    const std::string start = SaveStartFolder();
    std::string chosen;
    // The save dialog asks itself before it replaces a file.
    if (single
            ? !ui_.ChooseSaveFile(static_cast<QWidget*>(this), "Save File As...",
                                  PathJoin(start, PathFileName(files[0].name)), chosen)
            : !ui_.ChooseFolder(static_cast<QWidget*>(this), "Save Files to...", start, chosen)) {
        return;
    }
    const std::string folder = single ? ParentPath(chosen) : chosen;
    (void)SetSetting(kSettingsSection, kSaveAsFolderKey, folder);
    bool first = true;
    for (const ExplorerRow& file : files) {
        std::string target = chosen;
        if (!single) {
            // A name from the server never leads out of the chosen folder.
            if (!IsSafeName(file.name)) {
                continue;
            }
            target = PathJoin(folder, file.name);
            if (PathExists(target)) {
                const int answer = ui_.YesNoCancelBox(static_cast<QWidget*>(this),
                                                      OverwriteQuestion(file.name), "Overwrite");
                if (answer == 2) {
                    break;
                }
                if (answer == 3) {
                    continue;
                }
            }
        }
        if (first) {
            KeepAlive();
            first = false;
        }
        if (!EnsureConnected()) {
            break;
        }
        const LProcessResult result = DownloadOne(file, target);
        if (result == LPROCESS_STOPPED) {
            break;
        }
        if (single && result == LPROCESS_OK &&
            ui_.YesNoBox(static_cast<QWidget*>(this), "Do you want to open the file now?",
                         "Open File")) {
            ui_.OpenWithDefaultApplication(target);
        }
    }
}

LProcessResult LFtpExplorer::DownloadOne(const ExplorerRow& file, const std::string& target) {
    const Busy busy(*this, Busy::Cursor::kNone);
    if (!busy) {
        return LPROCESS_FAILED;
    }
    FtpTransferItem item;
    item.conn = &session_.connection;
    item.localPath = target;
    item.remoteName = file.name;
    item.knownSize = file.sizeListed ? static_cast<std::int64_t>(file.size) : -1;
    item.knownTime = file.modifiedExact ? file.modified : 0;
    const LProcessResult result =
        RunDownloadFile(launcher_, static_cast<QWidget*>(this), kFtpDownloadTitle, &item);
    if (result == LPROCESS_FAILED) {
        RefreshHeld(folder_, true);
    }
    return result;
}

void LFtpExplorer::ViewSelection() {
    const std::vector<int> selected = SelectedRows();
    if (selected.empty() || model_->rows()[selected[0]].kind != kItemFile || !EnsureConnected()) {
        return;
    }
    const std::string name = model_->rows()[selected[0]].name;
    session_.connected = session_.connection.fd >= 0;
    LProcessResult result = LPROCESS_FAILED;
    {
        // The open action holds the session itself.
        const Busy busy(*this, Busy::Cursor::kNone, Busy::Session::kLeave);
        result = OpenRemoteFile(session_, launcher_, ui_, static_cast<QWidget*>(this), name);
    }
    if (result != LPROCESS_OK) {
        Refresh(true);
    }
}
