// The connection status in the status bar and which controls can be used.
#include <QAction>
#include <QLabel>
#include <QStyle>

#include "ui/main/local_pane_view.h"
#include "ui/main/main_commands.h"
#include "ui/main/main_window.h"
#include "ui/main/remote_pane_view.h"

namespace {

using namespace MainCommand;

constexpr int kStatusIconSize = 16;

}  // namespace

QString MainDialog::connectionStatusText() const {
    return statusText_->text();
}

void MainDialog::UpdateConnectionStatus() {
    UpdateEnabling();
    QString text;
    if (connectedFlag()) {
        ShowConnectedIcon();
        const ConnectedSite& site = connectedSite();
        text = tr("Connected to %1 (%2) as %3")
                   .arg(QString::fromStdString(site.label), QString::fromStdString(site.server),
                        QString::fromStdString(site.userName));
        SetTimer(kConnectedIconTimer, 0);
    } else {
        statusIcon_->setPixmap(
            style()->standardIcon(QStyle::SP_BrowserStop).pixmap(kStatusIconSize));
        text = tr(kNotConnectedText);
    }
    if (text != statusText_->text()) {
        statusText_->setText(text);
        emit connectionStatusChanged(text);
    }
}

void MainDialog::ShowConnectedIcon() {
    // Two pictures in turn: the connection is alive.
    iconPhase_ ^= 1;
    const QStyle::StandardPixmap icon =
        iconPhase_ != 0 ? QStyle::SP_DriveNetIcon : QStyle::SP_ComputerIcon;
    statusIcon_->setPixmap(style()->standardIcon(icon).pixmap(kStatusIconSize));
}

void MainDialog::SetCommandEnabled(int id, bool enabled) {
    const QString name = QString::number(id);
    for (QAction* action : findChildren<QAction*>(name)) {
        action->setEnabled(enabled);
    }
    for (QWidget* control : findChildren<QWidget*>(name)) {
        control->setEnabled(enabled);
    }
}

void MainDialog::UpdateEnabling() {
    if (!initialised_ || local_ == nullptr || remote_ == nullptr) {
        return;
    }
    RemotePane& pane = remotePane();
    const bool connected = connectedFlag();
    const bool localSelection = local_->HasSelection();
    const bool remoteSelection = remote_->HasSelection();
    const bool localReady = local_->IsFolderValid();
    const bool canDownload = connected && remoteSelection && localReady;
    const bool canUpload = connected && localSelection;
    const bool canSynchronize = connected && localReady;
    const std::pair<int, bool> rules[] = {
        // The window's controls.
        {kRemoteRefreshButton, connected},
        {kRemoteUpButton, connected},
        {kRemotePathField, connected},
        {kRemoteGo, connected},
        {kRemoteList, connected},
        {kDisconnect, connected},
        {kRemoteBackButton, connected && pane.CanGoBack()},
        {kRemoteForwardButton, connected && pane.CanGoForward()},
        {kLocalBackButton, local_->CanGoBack()},
        {kLocalForwardButton, local_->CanGoForward()},
        {kDownloadButton, canDownload},
        {kUploadButton, canUpload},
        {kSynchronizeButton, canSynchronize},
        // The menus.
        {kUpload, canUpload},
        {kRemoteDownload, canDownload},
        {kSynchronize, canSynchronize},
        {kLocalBack, local_->CanGoBack()},
        {kLocalForward, local_->CanGoForward()},
        {kLocalOpen, localSelection},
        {kLocalDelete, localSelection},
        {kLocalRename, localSelection},
        {kRemoteOpen, connected && remoteSelection},
        {kRemoteDelete, connected && remoteSelection},
        {kRemoteRename, connected && remoteSelection},
        {kRemoteNewFolder, connected},
        {kRemoteRefresh, connected},
        {kRemoteUp, connected},
        {kRemoteBack, connected && pane.CanGoBack()},
        {kRemoteForward, connected && pane.CanGoForward()},
    };
    for (const auto& [id, enabled] : rules) {
        SetCommandEnabled(id, enabled);
    }
}
