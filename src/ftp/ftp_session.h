#pragma once

#include <string>

#include "ftp/logon.h"
#include "net/secure_socket.h"
#include "process/process_interface.h"
#include "process/process_launcher.h"
#include "process/queued_notify.h"
#include "process/ui_services.h"

// The main session: the control connection the remote pane owns for the life of the window,
// with the server and directory it is on. As a process interface it cannot be stopped, and its
// texts go to the log (status texts only while not quiet).
class LFtpList : public LProcessInterfaceVoid, public LQueuedNotifyDataSender {
public:
    LFtpList(UserInterfaceServices& ui, ProcessLauncher& launcher, LWindow window = nullptr)
        : ui_(ui), launcher_(launcher), window_(window) {}
    virtual ~LFtpList() = default;
    LFtpList(const LFtpList&) = delete;
    LFtpList& operator=(const LFtpList&) = delete;

    void ReportError(const char* text) override;
    void SetStatusText(const char* text, std::int32_t line) override;

    // Disconnects, asks for the login when the password is empty, runs "FTP Connect", then
    // shows the start directory ("/" when empty, and "/" again when that cannot be shown).
    bool Connect(const std::string& host, const std::string& user, const std::string& password,
                 const std::string& startDirectory, bool useTls);
    // Runs "FTP Connect" with the connect log lines; on success the session is connected to host.
    LProcessResult OpenSession(const FtpConnectRequest& request);
    // Logs "Disconnected from server." and sends QUIT, when the connection is open. Connect
    // runs it first; a pane that shows the session extends it to forget what it showed.
    virtual void Disconnect();
    // The periodic connection check; clears `connected` when the server no longer answers.
    void KeepAlive();

    LSecureSocket connection;
    std::string host;
    std::string remoteDir = "/";
    bool connected = false;
    bool quiet = false;

protected:
    UserInterfaceServices& ui() { return ui_; }
    ProcessLauncher& launcher() { return launcher_; }
    LWindow window() const { return window_; }

    // Shows remoteDir after a connect; the pane lists it, the session only changes to it.
    virtual bool RefreshRemote();
    // Tells the owner that a connect failed.
    virtual void OnConnectFailed() {}

private:
    UserInterfaceServices& ui_;
    ProcessLauncher& launcher_;
    LWindow window_;
};
