#include "ftp/ftp_session.h"

#include "frame/logger.h"
#include "ftp/control_channel.h"
#include "ftp/current_directory.h"

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

LProcessResult LFtpList::OpenSession(const FtpConnectRequest& request) {
    LogFormat(kLogInfo, "Connecting to server: %s.", request.host.c_str());
    LProcessSecureFtpConnect process(&request);
    LProcessResult result =
        launcher_.Run(window_, "FTP Connect",
                      [&process](LProcessInterface& iface) { return process.Run(iface); });
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
                       const std::string& password, const std::string& startDirectory,
                       bool useTls) {
    Disconnect();
    FtpConnectRequest request;
    request.connection = &connection;
    request.host = serverHost;
    request.user = user;
    request.password = password;
    request.useTls = useTls;
    if (password.empty()) {
        LoginPromptRequest login;
        login.server = serverHost;
        login.user = user;
        if (!ui_.AskLogin(window_, login)) {
            return false;
        }
        request.user = login.user;
        request.password = login.password;
    }
    if (OpenSession(request) != LPROCESS_OK) {
        return false;
    }
    const std::string root(1, '/');
    remoteDir = startDirectory.empty() ? root : startDirectory;
    if (!RefreshRemote()) {
        remoteDir = root;
        RefreshRemote();
    }
    return true;
}

bool LFtpList::RefreshRemote() {
    return FtpChangeDirectoryStep(*this, connection, remoteDir) == LPROCESS_OK;
}

void LFtpList::Disconnect() {
    if (connection.fd < 0) {
        return;
    }
    Log(kLogInfo, "Disconnected from server.");
    // The connection is closed whatever the server answers to QUIT.
    (void)FtpQuit(*this, connection);
}

void LFtpList::KeepAlive() {
    quiet = true;
    if (FtpChangeDirectoryStep(*this, connection, remoteDir) != LPROCESS_OK) {
        connected = false;
        Log(kLogError, "The server has timed out the connection.");
    }
    quiet = false;
}
