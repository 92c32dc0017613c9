// The menu bar, the toolbar, the site menus and the keys.
#include <QCursor>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <memory>

#include "frame/ascii_case.h"
#include "settings/ftp_account.h"
#include "ui/main/local_pane_view.h"
#include "ui/main/main_commands.h"
#include "ui/main/main_window.h"
#include "ui/main/remote_pane_view.h"

namespace {

using namespace MainCommand;

// A key that means the pane with the focus: the action answers it only there.
void PaneKey(QAction* action, QWidget* pane, const QKeySequence& key) {
    action->setShortcut(key);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    pane->addAction(action);
}

}  // namespace

QAction* MainDialog::AddCommand(QMenu* menu, const QString& text, int id, const QKeySequence& key) {
    QAction* action = menu->addAction(text);
    action->setObjectName(QString::number(id));
    action->setData(id);
    action->setShortcut(key);
    connect(action, &QAction::triggered, this, [this, id] { Command(id); });
    return action;
}

void MainDialog::BuildMenus() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    siteMenu_ = file->addMenu(tr("Connect"));
    siteMenu_->setObjectName(QStringLiteral("siteMenu"));
    AddCommand(file, tr("Disconnect Site"), kDisconnect);
    file->addSeparator();
    AddCommand(file, tr("Run Setup Wizard..."), kSetupWizard);
    AddCommand(file, tr("Site Manager..."), kSiteManager);
    file->addSeparator();
    AddCommand(file, tr("View &Logs"), kViewLogs);
    file->addSeparator();
    AddCommand(file, tr("Quit"), kQuit, QKeySequence::Quit);

    QMenu* local = menuBar()->addMenu(tr("&Local"));
    AddCommand(local, tr("Upload"), kUpload, QKeySequence(tr("Ctrl+U")));
    local->addSeparator();
    AddCommand(local, tr("Open"), kLocalOpen);
    PaneKey(AddCommand(local, tr("Delete"), kLocalDelete), local_, QKeySequence::Delete);
    PaneKey(AddCommand(local, tr("Rename"), kLocalRename), local_, Qt::Key_F2);
    AddCommand(local, tr("New Folder"), kLocalNewFolder);
    PaneKey(AddCommand(local, tr("Refresh"), kLocalRefresh), local_, QKeySequence::Refresh);
    QMenu* localGo = local->addMenu(tr("Go to"));
    PaneKey(AddCommand(localGo, tr("Back"), kLocalBack), local_, QKeySequence::Back);
    PaneKey(AddCommand(localGo, tr("Forward"), kLocalForward), local_, QKeySequence::Forward);
    PaneKey(AddCommand(localGo, tr("Up One Level"), kLocalUp), local_, Qt::Key_Backspace);

    QMenu* remote = menuBar()->addMenu(tr("&Remote"));
    AddCommand(remote, tr("Download"), kRemoteDownload, QKeySequence(tr("Ctrl+D")));
    remote->addSeparator();
    AddCommand(remote, tr("Open"), kRemoteOpen);
    PaneKey(AddCommand(remote, tr("Delete"), kRemoteDelete), remote_, QKeySequence::Delete);
    PaneKey(AddCommand(remote, tr("Rename"), kRemoteRename), remote_, Qt::Key_F2);
    AddCommand(remote, tr("New Folder"), kRemoteNewFolder);
    PaneKey(AddCommand(remote, tr("Refresh"), kRemoteRefresh), remote_, QKeySequence::Refresh);
    QMenu* remoteGo = remote->addMenu(tr("Go to"));
    PaneKey(AddCommand(remoteGo, tr("Back"), kRemoteBack), remote_, QKeySequence::Back);
    PaneKey(AddCommand(remoteGo, tr("Forward"), kRemoteForward), remote_, QKeySequence::Forward);
    PaneKey(AddCommand(remoteGo, tr("Up One Level"), kRemoteUp), remote_, Qt::Key_Backspace);

    QMenu* tools = menuBar()->addMenu(tr("&Tools"));
    AddCommand(tools, tr("Site Manager..."), kSiteManager);
    AddCommand(tools, tr("Synchronize"), kSynchronize);
    tools->addSeparator();
    AddCommand(tools, tr("Options..."), kOptions, QKeySequence(tr("Ctrl+O")));

    QMenu* window = menuBar()->addMenu(tr("&Window"));
    AddCommand(window, tr("Maximize"), kMaximize);
    AddCommand(window, tr("Minimize"), kMinimize);

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    AddCommand(help, tr("BrindleFTP Help"), kHelp, QKeySequence::HelpContents);
    AddCommand(help, tr("Check for Updates..."), kCheckForUpdates);
    help->addSeparator();
    AddCommand(help, tr("Online Troubleshooting Problems Page"), kTroubleshootingPage);
    AddCommand(help, tr("Send Improvement Suggestion or Feedback"), kFeedbackPage);
    AddCommand(help, tr("Send Bug Report"), kBugReportPage);
    help->addSeparator();
    AddCommand(help, tr("About BrindleFTP"), kAbout);

    for (QMenu* menu : {file, local, remote, tools, window, help}) {
        connect(menu, &QMenu::aboutToShow, this, [this] { Command(kUpdateMenus); });
    }
    RebuildSiteMenu();
}

void MainDialog::BuildToolBar() {
    struct Tool {
        const char* text;
        int id;
        QStyle::StandardPixmap icon;
        const char* tip;
    };
    static constexpr Tool kTools[] = {
        {"Site Manager", kSiteManager, QStyle::SP_FileDialogDetailedView, "Show Site Manager"},
        {"Connect", kConnectButton, QStyle::SP_DriveNetIcon, "Connect Site"},
        {"Disconnect", kDisconnect, QStyle::SP_BrowserStop, "Disconnect Site"},
        {"View Logs", kViewLogs, QStyle::SP_FileDialogContentsView, "View Log Files"},
        {"Preferences", kOptions, QStyle::SP_FileDialogInfoView,
         "Adjust settings and options (Ctrl+O)"},
    };
    toolBar_ = addToolBar(tr("Toolbar"));
    toolBar_->setObjectName(QStringLiteral("MainToolBar"));
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    for (const Tool& tool : kTools) {
        QAction* action = toolBar_->addAction(style()->standardIcon(tool.icon), tr(tool.text));
        const int id = tool.id;
        action->setObjectName(QString::number(id));
        action->setData(id);
        action->setToolTip(tr(tool.tip));
        connect(action, &QAction::triggered, this, [this, id] { Command(id); });
        if (id == kConnectButton) {
            // The button connects through the site menu; its arrow drops the menu down at once.
            action->setMenu(siteMenu_);
            auto* button = qobject_cast<QToolButton*>(toolBar_->widgetForAction(action));
            button->setPopupMode(QToolButton::MenuButtonPopup);
            button->setObjectName(QString::number(id));
        }
    }
}

void MainDialog::RebuildSiteMenu() {
    FillSiteMenu(*siteMenu_, kSiteFirst);
}

void MainDialog::FillSiteMenu(QMenu& menu, int firstId) {
    menu.clear();
    std::string current;
    GetCurrentSite(current);
    const std::vector<std::string> labels = ListFtpAccountLabels();
    const int lastId = firstId == kSiteFirst ? kSiteLast : kNewSite - 1;
    for (std::size_t index = 0; index < labels.size(); ++index) {
        const int id = firstId + static_cast<int>(index);
        if (id > lastId) {
            break;
        }
        QAction* action = menu.addAction(QString::fromStdString(labels[index]));
        action->setObjectName(QString::number(id));
        action->setData(id);
        action->setCheckable(true);
        action->setChecked(EqualsIgnoringCase(labels[index], current));
        // Queued: the connection runs once the menu has closed, and may rebuild this menu.
        connect(
            action, &QAction::triggered, this, [this, id] { Command(id); }, Qt::QueuedConnection);
    }
    if (!labels.empty()) {
        menu.addSeparator();
    }
    QAction* add = menu.addAction(tr("New Site ..."));
    add->setObjectName(QString::number(kNewSite));
    add->setData(kNewSite);
    connect(
        add, &QAction::triggered, this, [this] { Command(kNewSite); }, Qt::QueuedConnection);
}

void MainDialog::PopUpSiteMenu(int firstId) {
    if (ListFtpAccountLabels().empty()) {
        AddNewSite();
        return;
    }
    QPoint at = QCursor::pos();
    if (firstId == kSiteFirst) {
        RebuildSiteMenu();
        if (const QWidget* button =
                toolBar_->findChild<QToolButton*>(QString::number(kConnectButton));
            button != nullptr && button->isVisible()) {
            at = button->mapToGlobal(QPoint(0, button->height()));
        }
        siteMenu_->exec(at);
        return;
    }
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("popupSiteMenu"));
    FillSiteMenu(menu, firstId);
    menu.exec(at);
}

void MainDialog::ShowContextMenu(QMenu* menu, const QPoint& globalPos) {
    const std::unique_ptr<QMenu> owned(menu);
    if (menu == nullptr) {
        return;
    }
    const QAction* chosen = menu->exec(globalPos);
    if (chosen != nullptr && chosen->data().isValid()) {
        Command(chosen->data().toInt());
    }
}
