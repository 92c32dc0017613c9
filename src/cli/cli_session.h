#pragma once

#include <functional>
#include <string>

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "ftp/ftp_session.h"
#include "net/secure_socket.h"
#include "process/process_interface.h"

// An engine operation on the session's control connection.
using CliOperation = std::function<LProcessResult(LProcessInterface&, LSecureSocket&)>;

// The FTP session of one remote command, kept as the remote pane keeps it (LFtpList), so that
// the log gets the same lines as from the windows. Every engine operation runs under the
// terminal launcher: Ctrl+C stops it as the Cancel button of its progress dialog would.
class CliSession {
public:
    CliSession(const CliOptions& options, CliServices& services);
    // Disconnects if Close was not called.
    ~CliSession();
    CliSession(const CliSession&) = delete;
    CliSession& operator=(const CliSession&) = delete;

    // Logs on with the connection options (the password asked on the terminal when none was
    // given), then runs the change-directory step for --cd. kExitDone when the session is
    // open, else the exit status, with the failure text already on stderr. The options must
    // name a server (CheckSessionOptions).
    int Open();

    // Runs the operation under a progress line titled `title`. A failure that reported no text
    // of its own reports failureText (when not null), so that a failure is never silent.
    LProcessResult Run(const char* title, const char* failureText, const CliOperation& operation);

    // Logs "Disconnected from server." and sends QUIT when the connection is open. After a
    // stop or a failure the server may be what was waited for, so the QUIT is sent but its
    // answer is not awaited.
    void Close();

    // The server's directory after --cd (as the server names it), "/" without --cd.
    const std::string& remoteDir() const { return list_.remoteDir; }

    // The session as the window's transfer commands use it.
    LFtpList& list() { return list_; }

private:
    const CliOptions& options_;
    CliServices& services_;
    LFtpList list_;
    LProcessResult lastResult_ = LPROCESS_OK;
};

// The user name and password to log on to host with: the options' user (default "anonymous"),
// and their password or else what the login prompt gives (the empty password without a
// terminal). False when the prompt was cancelled.
bool ResolveLogon(const CliOptions& options, CliServices& services, const std::string& host,
                  std::string& user, std::string& password);

// Checks the connection options a remote command needs: a server, written as host, host:port,
// [IPv6 address] or [IPv6 address]:port with a port of 1 to 65535. kExitDone when they will do,
// else kExitUsage with its one-line message, naming the server text, printed.
int CheckSessionOptions(const CliOptions& options);

// What a remote command does once its session is open; returns the exit status.
using CliSessionBody = std::function<int(CliSession& session)>;

// Takes the stored site's values for --site, checks the options, opens the session, runs the
// body and always disconnects. The exit status of the first step that did not end with
// kExitDone, else the body's.
int RunWithCliSession(const CliOptions& options, CliServices& services, const CliSessionBody& body);
