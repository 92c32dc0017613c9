#include "ftp/ftp_session.h"

#include "frame/logger.h"
#include "ftp/control_channel.h"
#include "ftp/current_directory.h"

void LogSessionBusy() {
    Log(kLogError,
        "The connection is busy with another operation. Try again when it has finished.");
}

void LFtpList::ReportError(const char* text) {
    if (text != nullptr) {
        Log(kLogError, text);
    }
}

void LFtpList::SetStatusText(const char* text, std::int32_t line) {
    if (!quiet && text != nullptr) {
        Log(kLogInfo, text);
    }
}

void LFtpList::SetIdleInterface(LProcessInterface* idle) {
    idle_ = idle;
    Retarget();
}

LProcessResult LFtpList::OpenSession(const FtpConnectRequest& request) {
    SessionInUse use(*this);
    if (!use) {
        LogSessionBusy();
        return LPROCESS_FAILED;
    }
    return OpenSessionInUse(request);
}

LProcessResult LFtpList::OpenSessionInUse(const FtpConnectRequest& request) {
    LogFormat(kLogInfo, "Connecting to server: %s.", request.host.c_str());
    // A certificate that does not verify is asked about over the session's window.
    FtpConnectRequest asking = request;
    if (asking.ui == nullptr) {
        asking.ui = &ui_;
        asking.parent = window_;
    }
    LProcessResult result = RunSecureFtpConnect(launcher_, window_, kFtpConnectTitle, &asking);
    if (result != LPROCESS_OK) {
        OnConnectFailed();
        Log(kLogError,
            "Please check that the server address is correct or the firewall is not turned on.");
        return result;
    }
    host = request.host;
    Log(kLogInfo, "Connected OK.");
    connected = true;
    return LPROCESS_OK;
}

bool LFtpList::Connect(const std::string& serverHost, const std::string& user,
                       const std::string& password, const std::string& startDirectory, bool useTls,
                       const std::function<bool()>& show) {
    SessionInUse use(*this);
    if (!use) {
        LogSessionBusy();
        return false;
    }
    DisconnectInUse();
    FtpConnectRequest request;
    request.connection = &connection;
    request.host = serverHost;
    request.user = user;
    request.password = password;
    request.useTls = useTls;
    if (password.empty() && asksForMissingPassword_) {
        LoginPromptRequest login;
        login.server = serverHost;
        login.user = user;
        if (!ui_.AskLogin(window_, login)) {
            return false;
        }
        request.user = login.user;
        request.password = login.password;
    }
    if (OpenSessionInUse(request) != LPROCESS_OK) {
        return false;
    }
    const std::function<bool()> changeDirectory = [this] {
        return FtpChangeDirectoryStep(*this, connection, remoteDir) == LPROCESS_OK;
    };
    const std::function<bool()>& shown = show ? show : changeDirectory;
    const std::string root(1, '/');
    remoteDir = startDirectory.empty() ? root : startDirectory;
    if (!shown()) {
        remoteDir = root;
        shown();
    }
    return true;
}

void LFtpList::Disconnect() {
    SessionInUse use(*this);
    if (!use) {
        LogSessionBusy();
        return;
    }
    DisconnectInUse();
}

void LFtpList::DisconnectInUse() {
    if (connection.fd < 0) {
        return;
    }
    Log(kLogInfo, "Disconnected from server.");
    // The connection is closed whatever the server answers to QUIT.
    (void)FtpQuit(*this, connection);
}

void LFtpList::KeepAlive() {
    SessionInUse use(*this);
    if (!use) {
        return;
    }
    quiet = true;
    // A check that was stopped learnt nothing about the server.
    if (FtpChangeDirectoryStep(*this, connection, remoteDir) == LPROCESS_FAILED) {
        connected = false;
        Log(kLogError, "The server has timed out the connection.");
    }
    quiet = false;
}
