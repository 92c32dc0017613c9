#pragma once

#include <functional>
#include <string>

#include "ftp/logon.h"
#include "net/secure_socket.h"
#include "process/process_interface.h"
#include "process/process_launcher.h"
#include "process/queued_notify.h"
#include "process/ui_services.h"

// The main session: the control connection the remote pane owns for the life of the window,
// with the server and directory it is on. As a process interface its texts go to the log (status
// texts only while not quiet); its stop and its waits are those of the operation running on the
// session, else of the owner's idle interface, so that the window's events keep running while
// the session waits for the server.
//
// One exchange at a time: every operation on the connection holds it (SessionInUse). A timer or
// another window whose events run inside that operation's waits finds the session in use; the
// connection check then skips, and the other operations refuse without sending anything.
class LFtpList : public LProcessInterfaceVoid, public LQueuedNotifyDataSender {
public:
    LFtpList(UserInterfaceServices& ui, ProcessLauncher& launcher, LWindow window = nullptr)
        : ui_(ui), launcher_(launcher), window_(window) {}
    virtual ~LFtpList() = default;
    LFtpList(const LFtpList&) = delete;
    LFtpList& operator=(const LFtpList&) = delete;

    void ReportError(const char* text) override;
    void SetStatusText(const char* text, std::int32_t line) override;

    // The front end's interface for the time no operation runs: its stop check runs the
    // window's events. Null (the default) waits without running any. It must outlive the
    // session or be reset first.
    void SetIdleInterface(LProcessInterface* idle);

    // An owner that asks for the login itself, once for all its attempts, turns the session's own
    // question off: an empty password is then one the user chose.
    void SetAsksForMissingPassword(bool asks) { asksForMissingPassword_ = asks; }
    // Disconnects, asks for the login when the password is empty, runs "FTP Connect", then
    // shows the start directory ("/" when empty, and "/" again when that cannot be shown) with
    // `show`, by default the change-directory step.
    bool Connect(const std::string& host, const std::string& user, const std::string& password,
                 const std::string& startDirectory, bool useTls,
                 const std::function<bool()>& show = {});
    // Runs "FTP Connect" with the connect log lines; on success the session is connected to host.
    LProcessResult OpenSession(const FtpConnectRequest& request);
    // Logs "Disconnected from server." and sends QUIT, when the connection is open.
    void Disconnect();
    // The periodic connection check; clears `connected` when the server no longer answers.
    // Skipped while the session is in use.
    void KeepAlive();

    bool inUse() const { return inUse_; }

    UserInterfaceServices& ui() { return ui_; }
    ProcessLauncher& launcher() { return launcher_; }
    LWindow window() const { return window_; }

    LSecureSocket connection;
    std::string host;
    std::string remoteDir = "/";
    bool connected = false;
    bool quiet = false;

protected:
    // Tells the owner that a connect failed.
    virtual void OnConnectFailed() {}

private:
    friend class SessionInUse;
    friend class SessionRunning;

    // Where the stop and the waits go: the running operation's interface, else the idle one.
    void Retarget() { ForwardTo(running_ != nullptr ? running_ : idle_); }
    LProcessResult OpenSessionInUse(const FtpConnectRequest& request);
    void DisconnectInUse();

    UserInterfaceServices& ui_;
    ProcessLauncher& launcher_;
    LWindow window_;
    LProcessInterface* idle_ = nullptr;
    LProcessInterface* running_ = nullptr;
    bool inUse_ = false;
    bool asksForMissingPassword_ = true;
};

// Holds the session for one operation. Not re-entrant: a guard made while the session is in use
// holds nothing and is false, and its maker must skip or refuse (LogSessionBusy).
class SessionInUse {
public:
    explicit SessionInUse(LFtpList& session) : session_(session), held_(!session.inUse_) {
        session_.inUse_ = true;
    }
    ~SessionInUse() {
        if (held_) {
            session_.inUse_ = false;
        }
    }
    SessionInUse(const SessionInUse&) = delete;
    SessionInUse& operator=(const SessionInUse&) = delete;

    explicit operator bool() const { return held_; }

private:
    LFtpList& session_;
    bool held_;
};

// While an operation runs under an interface of its own (a progress dialog), the session's stop
// and waits are that interface's, so the session's own look-ups end at its Cancel.
class SessionRunning {
public:
    SessionRunning(LFtpList& session, LProcessInterface& running)
        : session_(session), previous_(session.running_) {
        session_.running_ = &running;
        session_.Retarget();
    }
    ~SessionRunning() {
        session_.running_ = previous_;
        session_.Retarget();
    }
    SessionRunning(const SessionRunning&) = delete;
    SessionRunning& operator=(const SessionRunning&) = delete;

private:
    LFtpList& session_;
    LProcessInterface* previous_;
};

// Logs that an operation was refused because another one holds the session.
void LogSessionBusy();
