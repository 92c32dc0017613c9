#include "ui/main/main_dialog_core.h"

#include <sys/stat.h>

#include "settings/section_settings.h"
#include "ui/main/local_pane_view.h"

namespace {

// Three more attempts after the first.
constexpr int kRetryAttempts = 3;

bool IsFolder(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

MainDialogCore::MainDialogCore(UserInterfaceServices& ui, ProcessLauncher& launcher, LWindow window)
    : ui_(ui),
      launcher_(launcher),
      window_(window),
      pane_(ui, launcher, window),
      transfers_(pane_.session(), pane_, ui, launcher, window) {
    // The window asks for a missing password before its attempts (AskLogin).
    pane_.session().SetAsksForMissingPassword(false);
}

bool MainDialogCore::ConnectCurrentSite(bool forgetSiteOnFailure) {
    // Asked for while another operation waits for the server (its events run meanwhile): a
    // busy session is no failed site.
    if (session().inUse()) {
        LogSessionBusy();
        return false;
    }
    std::string current;
    if (!GetCurrentSite(current)) {
        OfferSites();
        return false;
    }
    std::string label;
    FtpAccount account;
    if (!FindFtpAccountLabel(current, label) || !LoadFtpAccount(label, account)) {
        return false;
    }
    const StartFolders start = ChooseStartFolders(account);
    const std::string typed = RemotePathText();
    const std::string remoteStart = typed.empty() ? start.remote : typed;

    bool connected = false;
    if (!account.password.empty() || AskLogin(account)) {
        connected = ConnectWithRetries(account.server, account.userName, account.password,
                                       remoteStart, account.useSsl);
    }
    if (!connected) {
        // What was typed is not a folder to try again.
        ClearRemotePath();
        if (forgetSiteOnFailure) {
            ClearCurrentSite();
        }
        RebuildSiteMenu();
        return false;
    }
    site_ = {label, account.server, account.userName};
    OpenLocalStartFolder(start.local);
    RebuildSiteMenu();
    return true;
}

bool MainDialogCore::ConnectWithRetries(const std::string& server, const std::string& user,
                                        const std::string& password, const std::string& start,
                                        bool useTls) {
    if (pane_.Connect(server, user, password, start, useTls)) {
        return true;
    }
    if (!GetSettingBool(kSettingsSection, "FtpRetry", false)) {
        return false;
    }
    for (int attempt = 0; attempt < kRetryAttempts; ++attempt) {
        if (pane_.Connect(server, user, password, start, useTls)) {
            return true;
        }
    }
    return false;
}

bool MainDialogCore::AskLogin(FtpAccount& account) {
    LoginPromptRequest request;
    request.server = account.server;
    request.user = account.userName;
    if (!ui_.AskLogin(window_, request)) {
        return false;
    }
    account.userName = request.user;
    account.password = request.password;
    if (request.rememberPassword) {
        account.rememberPassword = true;
        SaveFtpAccount("", account);
    }
    return true;
}

void MainDialogCore::OpenLocalStartFolder(const std::string& folder) {
    LExplorerFolderControl* local = localPane();
    if (local != nullptr && IsFolder(folder)) {
        local->ListFolder(folder);
    }
    // The remote folder was recorded with the local folder of before; record the pair again.
    if (local != nullptr) {
        SaveRecentDirectories(local->currentFolder(), pane_.RemoteFolder());
    }
}

bool MainDialogCore::DisconnectSite(bool forgetSite) {
    if (session().inUse()) {
        LogSessionBusy();
        return false;
    }
    pane_.Disconnect();
    ClearRemotePath();
    if (forgetSite) {
        ClearCurrentSite();
    }
    site_ = {};
    RebuildSiteMenu();
    UpdateConnectionStatus();
    return true;
}

bool MainDialogCore::IsConnected() {
    LFtpList& session = pane_.session();
    const bool wasConnected = session.connected;
    if (wasConnected) {
        session.KeepAlive();
    }
    if (session.connected) {
        return true;
    }
    if (wasConnected) {
        DisconnectSite(false);
    }
    return false;
}

void MainDialogCore::UploadSelection() {
    LExplorerFolderControl* local = localPane();
    if (local == nullptr || !IsConnected()) {
        return;
    }
    transfers_.UploadSelection(local->SelectedPaths(), local->currentFolder());
}

void MainDialogCore::DownloadSelection() {
    LExplorerFolderControl* local = localPane();
    if (local == nullptr || !IsConnected()) {
        return;
    }
    transfers_.DownloadSelection(local->currentFolder());
    local->Refresh();
}

void MainDialogCore::DownloadSelectionTo(const std::string& path) {
    if (IsConnected()) {
        transfers_.DownloadSelection(path);
    }
}

void MainDialogCore::Synchronize() {
    LExplorerFolderControl* local = localPane();
    if (local == nullptr || !connectedFlag()) {
        return;
    }
    transfers_.Synchronize(local->currentFolder(), local->ItemPaths());
    local->Refresh();
}
