#include "ui/main/main_window.h"

#include <QCloseEvent>

#include "frame/logger.h"
#include "frame/paths.h"
#include "settings/ftp_account.h"
#include "ui/accessible_names.h"
#include "ui/main/local_pane_view.h"
#include "ui/main/main_commands.h"
#include "ui/main/remote_pane_view.h"
#include "ui/sites/site_manager.h"

// The Site Manager asks who is connected; the window connects once the dialog has closed.
class MainDialog::SiteManagerLink final : public SiteConnectionState {
public:
    explicit SiteManagerLink(const MainDialog& window) : window_(window) {}
    std::string ConnectedSite() const override {
        return window_.connectedFlag() ? window_.connectedSite().label : "";
    }
    void ConnectToSite(const std::string&) override {}

private:
    const MainDialog& window_;
};

MainDialog::MainDialog(UserInterfaceServices& ui, ProcessLauncher& launcher, QWidget* parent)
    : QMainWindow(parent),
      MainDialogCore(ui, launcher, static_cast<QWidget*>(this)),
      LQueuedNotifyDataHandler(&queue_),
      siteManagerLink_(std::make_unique<SiteManagerLink>(*this)) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QString::fromUtf8(kMainWindowTitle));
    session().SetIdleInterface(&idle_);
    session().Attach(this);

    BuildCentralWidget();
    BuildStatusBar();
    BuildMenus();
    BuildToolBar();
    ConnectPanes();
    NameControlsForAccessibility(this);

    Log(kLogInfo, "Brindle FTP Run");
    local_->ListFolder(GetHomeFolder());
    UpdateConnectionStatus();
    SetTimer(kStartUpTimer, 0);
    initialised_ = true;
    UpdateEnabling();
    RestorePlacement();
}

MainDialog::~MainDialog() {
    initialised_ = false;
    // The panes and their model follow the core's remote pane, which goes before the window's
    // children do: they go first, without telling the window.
    QObject::disconnect(local_, nullptr, this, nullptr);
    QObject::disconnect(remote_, nullptr, this, nullptr);
    delete takeCentralWidget();
    local_ = nullptr;
    remote_ = nullptr;
    session().Detach();
    session().SetIdleInterface(nullptr);
}

SiteConnectionState& MainDialog::siteManagerLink() {
    return *siteManagerLink_;
}

void MainDialog::SetStartUpNotice(std::uint16_t kind, std::string headline, std::string text) {
    startUpKind_ = kind;
    startUpHeadline_ = std::move(headline);
    startUpText_ = std::move(text);
}

void MainDialog::OnTimer(std::int32_t id) {
    switch (id) {
        case kStartUpTimer:
            StartUp();
            break;
        case kConnectedIconTimer:
            if (connectedFlag()) {
                ShowConnectedIcon();
                SetTimer(kConnectedIconTimer, kConnectedIconMs);
            }
            break;
        case kConnectionCheckTimer:
            IsConnected();
            UpdateConnectionStatus();
            if (connectedFlag()) {
                SetTimer(kConnectionCheckTimer, kConnectionCheckMs);
            }
            break;
        default:
            break;
    }
}

void MainDialog::OnQueuedNotify(std::uint32_t code, void*, std::uint32_t) {
    if (code == kPauseConnectionCheckNotify) {
        PauseConnectionCheck();
    } else if (code == kResumeConnectionCheckNotify) {
        StartConnectionCheck();
    }
}

void MainDialog::PauseConnectionCheck() {
    KillTimer(kConnectionCheckTimer);
}

void MainDialog::StartConnectionCheck() {
    SetTimer(kConnectionCheckTimer, kConnectionCheckResumeMs);
}

bool MainDialog::ConnectCurrentSite(bool forgetSiteOnFailure) {
    if (connectedFlag()) {
        return false;
    }
    const bool connected = MainDialogCore::ConnectCurrentSite(forgetSiteOnFailure);
    if (connected) {
        StartConnectionCheck();
    }
    UpdateConnectionStatus();
    return connected;
}

bool MainDialog::DisconnectSite(bool forgetSite) {
    PauseConnectionCheck();
    return MainDialogCore::DisconnectSite(forgetSite);
}

void MainDialog::DownloadSelection() {
    PauseConnectionCheck();
    MainDialogCore::DownloadSelection();
    StartConnectionCheck();
}

void MainDialog::Synchronize() {
    PauseConnectionCheck();
    MainDialogCore::Synchronize();
    StartConnectionCheck();
}

void MainDialog::closeEvent(QCloseEvent* event) {
    // Connected, the site is kept so that the next start connects to it again.
    if (connectedFlag()) {
        DisconnectSite(false);
    } else {
        ClearCurrentSite();
    }
    KillTimer(kStartUpTimer);
    KillTimer(kConnectedIconTimer);
    KillTimer(kConnectionCheckTimer);
    SavePlacement();
    Log(kLogInfo, "Brindle FTP Exit.");
    event->accept();
}
