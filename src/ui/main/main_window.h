#pragma once

#include <QMainWindow>
#include <QPoint>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>

#include "process/queued_notify.h"
#include "ui/main/main_dialog_core.h"
#include "ui/process/idle_process_interface.h"
#include "ui/process/qt_event_queue.h"
#include "ui/process/timer_handler.h"

class LExplorerFolderControl;
class LogPane;
class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QSplitter;
class QToolBar;
class RemotePaneView;
class SiteConnectionState;

// The program's window: local files on the left, the connected site's current folder on the
// right, the three transfer buttons between them, the toolbar, the log pane and the status bar.
// Every menu item, button, key and list notification becomes a numeric command (main_commands.h)
// and goes through Command.
class MainDialog : public QMainWindow,
                   public LTimerHandler,
                   public MainDialogCore,
                   public LQueuedNotifyDataHandler {
    Q_OBJECT

public:
    // Writes "Brindle FTP Run" and starts the start-up timer, which connects to the current site
    // or, on a first start, runs the setup wizard.
    MainDialog(UserInterfaceServices& ui, ProcessLauncher& launcher, QWidget* parent = nullptr);
    ~MainDialog() override;

    void Command(int id);
    // A problem found before the window opened (the settings store), told when it starts up.
    void SetStartUpNotice(std::uint16_t kind, std::string headline, std::string text);

    void OnTimer(std::int32_t id) override;
    // 0 pauses the connection check, 1 resumes it (around the session's own downloads).
    void OnQueuedNotify(std::uint32_t code, void* data, std::uint32_t size) override;

    bool ConnectCurrentSite(bool forgetSiteOnFailure) override;
    bool DisconnectSite(bool forgetSite) override;
    void DownloadSelection() override;
    void Synchronize() override;

    QString connectionStatusText() const;
    LExplorerFolderControl* localView() const { return local_; }
    RemotePaneView* remoteView() const { return remote_; }

signals:
    void connectionStatusChanged(const QString& text);

protected:
    // Disconnects (keeping the current site) or forgets the current site, saves the placement.
    void closeEvent(QCloseEvent* event) override;
    // Puts the divider where it was.
    void showEvent(QShowEvent* event) override;
    // Return in a path field.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class SiteManagerLink;
    SiteConnectionState& siteManagerLink();

    // The core's hooks.
    LExplorerFolderControl* localPane() override { return local_; }
    void OfferSites() override;
    void RebuildSiteMenu() override;
    std::string RemotePathText() const override;
    void ClearRemotePath() override;
    void UpdateConnectionStatus() override;

    // main_layout.cpp
    void BuildCentralWidget();
    QWidget* BuildLocalSide();
    QWidget* BuildRemoteSide();
    QWidget* BuildTransferButtons();
    QWidget* BuildLogArea();
    void BuildStatusBar();
    void ConnectPanes();
    // main_menus.cpp
    void BuildMenus();
    void BuildToolBar();
    QAction* AddCommand(QMenu* menu, const QString& text, int id, const QKeySequence& key = {});
    void FillSiteMenu(QMenu& menu, int firstId);
    void PopUpSiteMenu(int firstId);
    void ShowContextMenu(QMenu* menu, const QPoint& globalPos);
    // main_commands.cpp
    bool LocalCommand(int id);
    bool RemoteCommand(int id);
    bool SiteCommand(int id);
    bool WindowCommand(int id);
    void OpenLogFolder();
    // main_sites.cpp
    void StartUp();
    void ChooseSite(std::size_t index);
    void AddNewSite();
    // Passes at once when not connected; otherwise asks and disconnects on "Disconnect".
    bool ConfirmDisconnect();
    void RunSiteManagerCommand();
    void RunSetupWizardCommand();
    void StartConnectionCheck();
    void PauseConnectionCheck();
    // main_status.cpp
    void UpdateEnabling();
    void SetCommandEnabled(int id, bool enabled);
    void ShowConnectedIcon();
    // main_placement.cpp
    void RestorePlacement();
    void SavePlacement();

    QtEventQueue queue_;
    WindowIdleInterface idle_;
    std::unique_ptr<SiteManagerLink> siteManagerLink_;
    std::uint16_t startUpKind_ = 0;
    std::string startUpHeadline_;
    std::string startUpText_;

    LExplorerFolderControl* local_ = nullptr;
    RemotePaneView* remote_ = nullptr;
    LogPane* log_ = nullptr;
    QComboBox* localPath_ = nullptr;
    QComboBox* remotePath_ = nullptr;
    QSplitter* divider_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QMenu* siteMenu_ = nullptr;  // 6001 + index: File > Connect and the toolbar's drop-down
    QLabel* statusIcon_ = nullptr;
    QLabel* statusText_ = nullptr;

    int dividerY_ = 0;     // where the divider goes at the first show; 0 when done
    int returnField_ = 0;  // the path field that last asked for Return (106, 109 or 0)
    int iconPhase_ = 0;
    QPoint remoteMenuPosition_;
    QPoint remoteMenuGlobalPosition_;
    bool initialised_ = false;
};
