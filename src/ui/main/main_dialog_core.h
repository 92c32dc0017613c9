#pragma once

#include <string>

#include "process/process_launcher.h"
#include "process/ui_services.h"
#include "settings/ftp_account.h"
#include "transfer/remote_pane.h"
#include "transfer/selection_transfers.h"

class LExplorerFolderControl;

// Who the window is connected to, for the status bar.
struct ConnectedSite {
    std::string label;
    std::string server;
    std::string userName;
};

// The main window's site and connection core: the one FTP session of the program (inside the
// remote pane), connecting to the current site, disconnecting and the transfers between the two
// panes. What it needs of the window (the site menu, the remote path field, the status) it asks
// through the hooks at the end.
class MainDialogCore {
public:
    MainDialogCore(UserInterfaceServices& ui, ProcessLauncher& launcher, LWindow window);
    virtual ~MainDialogCore() = default;
    MainDialogCore(const MainDialogCore&) = delete;
    MainDialogCore& operator=(const MainDialogCore&) = delete;

    // Connects to the current site; without one, offers the sites (or a new one) and returns
    // false. A failure clears the current site when forgetSiteOnFailure.
    virtual bool ConnectCurrentSite(bool forgetSiteOnFailure);
    // Closes the session; forgetSite also clears the current site.
    virtual bool DisconnectSite(bool forgetSite);
    // The transfers do nothing unless IsConnected().
    virtual void UploadSelection();
    // Downloads into the local folder, then lists it again.
    virtual void DownloadSelection();
    virtual void DownloadSelectionTo(const std::string& path);
    // Synchronizes the two current folders, then lists the local one again.
    virtual void Synchronize();
    // The session's connection check; a connection the server dropped is disconnected.
    virtual bool IsConnected();

    RemotePane& remotePane() { return pane_; }
    LFtpList& session() { return pane_.session(); }
    bool connectedFlag() const { return pane_.session().connected; }
    const ConnectedSite& connectedSite() const { return site_; }

protected:
    // The window's part.
    virtual LExplorerFolderControl* localPane() = 0;
    // No current site: pops up the site menu, or adds a new site when there is none.
    virtual void OfferSites() = 0;
    virtual void RebuildSiteMenu() = 0;
    virtual std::string RemotePathText() const = 0;
    virtual void ClearRemotePath() = 0;
    virtual void UpdateConnectionStatus() = 0;

    UserInterfaceServices& ui() { return ui_; }
    ProcessLauncher& launcher() { return launcher_; }

private:
    // One connection attempt, and with "FtpRetry" up to three more, each with the site's own
    // TLS choice, so that a retry never sends a TLS site's password in clear.
    bool ConnectWithRetries(const std::string& server, const std::string& user,
                            const std::string& password, const std::string& start, bool useTls);
    // The login prompt for a site without a stored password; false when cancelled.
    bool AskLogin(FtpAccount& account);
    void OpenLocalStartFolder(const std::string& folder);

    UserInterfaceServices& ui_;
    ProcessLauncher& launcher_;
    LWindow window_;
    RemotePane pane_;
    // One for the window's life: a synchronization's "Do not ask again." holds until it closes.
    SelectionTransfers transfers_;
    ConnectedSite site_;
};
