#include "frame/logger.h"
#include "ftp/current_directory.h"
#include "ui/explorer/explorer_busy.h"
#include "ui/explorer/explorer_commands.h"

namespace {

constexpr int kFirstListingMs = 100;
constexpr int kFirstKeepAliveMs = 40000;

}  // namespace

bool LFtpExplorer::Start() {
    if (!Connect()) {
        reject();
        return false;
    }
    SetTimer(kExplorerListTimer, kFirstListingMs);
    SetTimer(kExplorerKeepAliveTimer, kFirstKeepAliveMs);
    ShowConnectionStatus();
    return true;
}

bool LFtpExplorer::Connect() {
    if (site_.password.empty()) {
        LoginPromptRequest login;
        login.server = site_.server;
        login.user = site_.user;
        if (!ui_.AskLogin(static_cast<QWidget*>(this), login)) {
            return false;
        }
        // Kept for the reconnections, for as long as the dialog is open.
        site_.user = login.user;
        site_.password = login.password;
    }
    FtpConnectRequest request;
    request.connection = &session_.connection;
    request.host = site_.server;
    request.user = site_.user;
    request.password = site_.password;
    request.useTls = site_.secure;
    const Busy busy(*this, Busy::Cursor::kNone, Busy::Session::kLeave);
    return session_.OpenSession(request) == LPROCESS_OK;
}

bool LFtpExplorer::EnsureConnected() {
    if (session_.connection.fd >= 0) {
        return true;
    }
    const bool connected = Connect();
    ShowConnectionStatus();
    if (!connected) {
        return false;
    }
    const Busy busy(*this);
    if (busy && FtpChangeDirectory(iface_, session_.connection, folder_) != LPROCESS_OK) {
        FocusList();
        ui_.MessageBox(static_cast<QWidget*>(this),
                       "The selected item is not a directory, please select a new item.",
                       "Cannot Open Directory");
    }
    return true;
}

void LFtpExplorer::KeepAlive() {
    // While a command talks to the server the connection needs no keeping alive, and a PWD
    // would come between the command and its replies.
    const bool idle = !busy_;
    const Busy busy(*this);
    if (idle && busy && session_.connection.fd >= 0) {
        std::string path;
        LProcessInterfaceVoidInstance silent(iface_);
        if (FtpGetCurrentDirectory(silent, session_.connection, path) != LPROCESS_OK &&
            session_.connection.fd < 0) {
            Log(kLogError, "The server has timed out the connection.");
        }
    }
    ShowConnectionStatus();
}
