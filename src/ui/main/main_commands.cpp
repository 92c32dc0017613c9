// The window's one command handler: every menu item, button, key and list notification.
#include "ui/main/main_commands.h"

#include <QComboBox>

#include "frame/logger.h"
#include "frame/paths.h"
#include "settings/ftp_account.h"
#include "ui/dialogs/check_for_updates.h"
#include "ui/dialogs/preferences_dialog.h"
#include "ui/help_pages.h"
#include "ui/main/about_dialog.h"
#include "ui/main/local_pane_view.h"
#include "ui/main/main_window.h"
#include "ui/main/remote_pane_view.h"

namespace {

using namespace MainCommand;

// How many folders a path field offers.
constexpr int kPathFieldEntries = 10;

// Shows the folder in the field and offers it again later.
void ShowPath(QComboBox& field, const std::string& folder) {
    const QString text = QString::fromStdString(folder);
    if (field.findText(text) < 0) {
        field.insertItem(0, text);
        while (field.count() > kPathFieldEntries) {
            field.removeItem(field.count() - 1);
        }
    }
    field.setEditText(text);
}

void OpenPage(UserInterfaceServices& ui, const char* page) {
    if (!OpenHelpPage(ui, page)) {
        LogFormat(kLogError, "Cannot open the help page %s.", page);
    }
}

}  // namespace

void MainDialog::Command(int id) {
    if (local_ == nullptr || remote_ == nullptr) {
        return;
    }
    // Every other number is ignored.
    LocalCommand(id) || RemoteCommand(id) || SiteCommand(id) || WindowCommand(id);
    UpdateEnabling();
}

bool MainDialog::LocalCommand(int id) {
    switch (id) {
        case kLocalGo:
            local_->OpenTypedPath(localPath_->currentText().toStdString());
            return true;
        case kLocalRefreshButton:
        case kLocalRefreshOther:
        case kLocalRefresh:
            local_->Refresh();
            return true;
        case kLocalUpButton:
        case kLocalUp:
            local_->UpOneLevel();
            return true;
        case kLocalBackButton:
        case kLocalBack:
            local_->Back();
            return true;
        case kLocalForwardButton:
        case kLocalForward:
            local_->Forward();
            return true;
        case kLocalOpen:
            local_->OpenSelection();
            return true;
        case kLocalDelete:
            local_->DeleteSelection();
            return true;
        case kLocalRename:
            local_->StartRename();
            return true;
        case kLocalNewFolder:
            local_->StartNewFolder();
            return true;
        case kLocalFolderChanged:
            ShowPath(*localPath_, local_->currentFolder());
            return true;
        default:
            return false;
    }
}

bool MainDialog::RemoteCommand(int id) {
    switch (id) {
        case kRemoteGo:
            if (connectedFlag()) {
                const std::string typed = remotePath_->currentText().toStdString();
                remote_->ChangeFolder(typed.empty() ? "/" : typed);
            }
            return true;
        case kRemoteRefreshButton:
        case kRemoteRefresh:
            remote_->Refresh();
            return true;
        case kRemoteUpButton:
        case kRemoteUp:
            remote_->UpOneLevel();
            return true;
        case kRemoteBackButton:
        case kRemoteBack:
            remote_->Back();
            return true;
        case kRemoteForwardButton:
        case kRemoteForward:
            remote_->Forward();
            return true;
        case kRemoteDeleteKey:
        case kRemoteDelete:
            remote_->DeleteSelection();
            return true;
        case kRemoteRenameKey:
        case kRemoteRename:
            remote_->StartRename();
            return true;
        case kRemoteNewFolder:
            remote_->StartNewFolder();
            return true;
        case kRemoteOpen:
            remote_->OpenSelection();
            return true;
        case kRemoteSelectionChanged:
            return true;
        case kRemoteContextMenu:
            ShowContextMenu(remote_->CreateContextMenu(remoteMenuPosition_, this),
                            remoteMenuGlobalPosition_);
            return true;
        case kRemoteFolderChanged:
            // Also sent while a connection is made or dropped: only a connected folder is
            // one to come back to.
            if (connectedFlag()) {
                const std::string folder = remotePane().RemoteFolder();
                ShowPath(*remotePath_, folder);
                SaveRecentDirectories(local_->currentFolder(), folder);
            }
            return true;
        default:
            return false;
    }
}

bool MainDialog::SiteCommand(int id) {
    if (id >= kPopupSiteFirst && id < kNewSite) {
        ChooseSite(static_cast<std::size_t>(id - kPopupSiteFirst));
        return true;
    }
    if (id >= kSiteFirst && id <= kSiteLast) {
        ChooseSite(static_cast<std::size_t>(id - kSiteFirst));
        return true;
    }
    switch (id) {
        case kConnectButton:
        case kConnectMenu:
        case kConnectMenuOther:
            PopUpSiteMenu(kSiteFirst);
            return true;
        case kSiteMenuPopup:
            PopUpSiteMenu(kPopupSiteFirst);
            return true;
        case kNewSite:
            AddNewSite();
            return true;
        case kDisconnect:
            DisconnectSite(true);
            return true;
        case kSiteManager:
            RunSiteManagerCommand();
            return true;
        case kSetupWizard:
            RunSetupWizardCommand();
            return true;
        default:
            return false;
    }
}

bool MainDialog::WindowCommand(int id) {
    switch (id) {
        case kReturn: {
            const int field = returnField_;
            returnField_ = 0;
            if (field == kLocalPathField) {
                LocalCommand(kLocalGo);
            } else if (field == kRemotePathField) {
                RemoteCommand(kRemoteGo);
            }
            return true;
        }
        case kLocalPathField:
        case kRemotePathField:
            returnField_ = id;
            return true;
        case kUploadButton:
        case kUpload:
            UploadSelection();
            return true;
        case kDownloadButton:
        case kRemoteDownload:
            DownloadSelection();
            return true;
        case kSynchronizeButton:
        case kSynchronize:
            Synchronize();
            return true;
        case kViewLogs:
            OpenLogFolder();
            return true;
        case kOptions:
            RunPreferencesDialog(this, ui());
            if (connectedFlag()) {
                remote_->Refresh();
            }
            return true;
        case kUpdateMenus:
            return true;
        case kHelp:
            OpenPage(ui(), "index");
            return true;
        case kTroubleshootingPage:
            OpenPage(ui(), "troubleshooting");
            return true;
        case kFeedbackPage:
            OpenPage(ui(), "feedback");
            return true;
        case kBugReportPage:
            OpenPage(ui(), "reporting");
            return true;
        case kCheckForUpdates:
            CheckForUpdates(this, launcher(), ui());
            return true;
        case kAbout:
            ShowAboutDialog(this, ui());
            return true;
        case kQuit:
            close();
            return true;
        case kMaximize:
            isMaximized() ? showNormal() : showMaximized();
            return true;
        case kMinimize:
            showMinimized();
            return true;
        default:
            return false;
    }
}

void MainDialog::OpenLogFolder() {
    const std::string folder = GetLogFolder();
    if (!ui().OpenWithDefaultApplication(folder)) {
        LogJoin(kLogError, "Cannot show the log folder: ", folder);
    }
}
