#pragma once

#include <QDialog>
#include <QPoint>
#include <string>
#include <vector>

#include "ftp/ftp_session.h"
#include "ui/explorer/explorer_model.h"
#include "ui/explorer/explorer_process_interface.h"
#include "ui/process/timer_handler.h"

class QKeySequence;
class QLabel;
class QLineEdit;
class QTreeView;

// The site the FTP Explorer connects to.
struct ExplorerSite {
    std::string server;  // host or host:port
    std::string user;
    std::string password;  // empty: asked for with the login prompt
    bool secure = false;
};

// The FTP Explorer: a resizable dialog on an FTP session of its own, for walking a server's
// folders, downloading, viewing, renaming and deleting, and creating folders; in folder-choosing
// mode its OK button reads "Select" and it lists folders alone. Everything runs on the window
// thread; one command at a time talks to the server, and the keep-alive (timer 2) never
// interrupts one.
class LFtpExplorer final : public QDialog, public LTimerHandler {
    Q_OBJECT

public:
    LFtpExplorer(QWidget* parent, UserInterfaceServices& ui, ProcessLauncher& launcher,
                 ExplorerSite site, const std::string& folder, bool chooseFolder);
    ~LFtpExplorer() override;

    // Connects under "FTP Connect" and arms the first listing and the keep-alive. False, with
    // the dialog closed as cancelled, when no connection was made.
    bool Start();
    // Runs a command by its number; numbers the dialog does not know are ignored.
    void OnCommand(int id);
    void OnTimer(std::int32_t id) override;

    // The folder in view (the last one listed).
    const std::string& folder() const { return folder_; }
    ExplorerListModel& model() { return *model_; }
    bool busy() const { return busy_; }

    void done(int result) override;

signals:
    // A listing of the folder in view has ended, or given up.
    void Listed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Busy;
    enum class ListOutcome { kListed, kRefused, kStopped, kClosed };

    void BuildControls(bool chooseFolder);
    void AddShortcut(const QKeySequence& key, int command, QWidget* scope);
    void ShowContextMenu(const QPoint& position);
    void ShowStatus(const std::string& text);
    void ShowSelectionStatus();
    void ShowConnectionStatus();
    void Alert(const std::string& text);
    std::vector<int> SelectedRows() const;
    void FocusList();

    // The session (explorer_session.cpp).
    bool Connect();
    bool EnsureConnected();
    void KeepAlive();

    // Listings (explorer_listing.cpp). The folder in view changes only when a listing starts;
    // one that cannot be entered falls back to "/" once. The Held forms run inside a Busy of
    // their caller.
    void Refresh(bool reportErrors);
    void ChangeFolder(const std::string& path, bool reportErrors);
    void RefreshHeld(std::string path, bool reportErrors);
    ListOutcome EnterAndList(const std::string& path);
    void UpOneLevel();

    // Opening, downloading, viewing (explorer_transfers.cpp).
    void OpenSelection();
    void DownloadRows(const std::vector<ExplorerRow>& files);
    LProcessResult DownloadOne(const ExplorerRow& file, const std::string& target);
    void ViewSelection();

    // Delete, rename, new folder (explorer_edits.cpp).
    void DeleteSelection();
    void StartRename();
    void StartNewFolder();
    void EditRow(int row);
    void OnEditorClosed(bool committed);
    void EndEditing(const std::string& text);
    void SelectRowNamed(const std::string& name);

    UserInterfaceServices& ui_;
    ProcessLauncher& launcher_;
    ExplorerSite site_;
    std::string folder_;
    bool chooseFolder_;
    LFtpList session_;
    ExplorerProcessInterface iface_;
    bool busy_ = false;
    bool closing_ = false;
    bool namingNewFolder_ = false;
    int editingRow_ = -1;
    std::string editingOldName_;

    ExplorerListModel* model_ = nullptr;
    QLineEdit* folderField_ = nullptr;
    QTreeView* list_ = nullptr;
    QLabel* statusText_ = nullptr;
    QLabel* connectionText_ = nullptr;
    QPoint menuPosition_;  // where the list asked for its context menu
};
