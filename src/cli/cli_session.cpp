#include "cli/cli_session.h"

#include <sys/socket.h>

#include <cstdint>

#include "cli/cli_exit.h"
#include "cli/cli_sites.h"
#include "cli/cli_trust.h"
#include "ftp/current_directory.h"
#include "ftp/logon.h"
#include "net/host_address.h"
#include "process/forwarding_interface.h"

namespace {

constexpr const char* kDefaultUser = "anonymous";
constexpr std::uint16_t kFtpPort = 21;

// Passes everything on to the interface the launcher made, noting whether the operation
// reported an error text of its own.
class ErrorNoticingInterface final : public ForwardingProcessInterface {
public:
    using ForwardingProcessInterface::ForwardingProcessInterface;

    void ReportError(const char* text) override {
        reported_ = true;
        ForwardingProcessInterface::ReportError(text);
    }

    bool reported() const { return reported_; }

private:
    bool reported_ = false;
};

}  // namespace

CliSession::CliSession(const CliOptions& options, CliServices& services)
    : options_(options), services_(services), list_(services.ui, services.launcher) {}

CliSession::~CliSession() {
    Close();
}

int CliSession::Open() {
    FtpConnectRequest request;
    request.connection = &list_.connection;
    request.host = options_.server.value_or("");
    request.useTls = options_.tls;
    request.ui = &services_.ui;
    TrustCertificateOfOptions(options_);
    if (!ResolveLogon(options_, services_, request.host, request.user, request.password)) {
        return kExitStopped;
    }

    lastResult_ = list_.OpenSession(request);
    if (lastResult_ != LPROCESS_OK) {
        return ExitStatusForResult(lastResult_);
    }
    if (options_.changeDirectory) {
        std::string directory = *options_.changeDirectory;
        LProcessResult result = Run("Change Directory", "Unable to change to the directory.",
                                    [&directory](LProcessInterface& iface, LSecureSocket& socket) {
                                        return FtpChangeDirectoryStep(iface, socket, directory);
                                    });
        if (result != LPROCESS_OK) {
            return ExitStatusForResult(result);
        }
        list_.remoteDir = directory;
    }
    return kExitDone;
}

LProcessResult CliSession::Run(const char* title, const char* failureText,
                               const CliOperation& operation) {
    lastResult_ = services_.launcher.Run(nullptr, title, [&](LProcessInterface& iface) {
        ErrorNoticingInterface noticing(iface);
        LProcessResult result = operation(noticing, list_.connection);
        if (result != LPROCESS_OK && result != LPROCESS_STOPPED && !noticing.reported() &&
            failureText != nullptr) {
            iface.ReportError(failureText);
        }
        return result;
    });
    return lastResult_;
}

void CliSession::Close() {
    if (list_.connection.fd >= 0 && lastResult_ != LPROCESS_OK) {
        // A server that did not answer may not answer QUIT either: with reading shut down,
        // QUIT still goes out but its reply is read as the end of the connection, at once.
        shutdown(list_.connection.fd, SHUT_RD);
    }
    list_.Disconnect();
}

bool ResolveLogon(const CliOptions& options, CliServices& services, const std::string& host,
                  std::string& user, std::string& password) {
    user = options.user.value_or(kDefaultUser);
    if (options.password) {
        password = *options.password;
        return true;
    }
    // Asked as the login prompt asks it; without a terminal the empty password is sent.
    LoginPromptRequest prompt;
    prompt.server = host;
    prompt.user = user;
    if (!services.ui.AskLogin(nullptr, prompt)) {
        return false;
    }
    user = prompt.user;
    password = prompt.password;
    return true;
}

int CheckSessionOptions(const CliOptions& options) {
    if (!options.server || options.server->empty()) {
        return UsageError("no server given (use --server HOST[:PORT])");
    }
    const std::string& server = *options.server;
    switch (ParseHostText(server, kFtpPort).status) {
        case HostTextStatus::kOk:
            return kExitDone;
        case HostTextStatus::kBadPort:
            return UsageError("bad port in server \"" + server + "\" (a port is 1 to 65535)");
        case HostTextStatus::kBadHost:
            break;
    }
    return UsageError("bad server \"" + server + "\" (use HOST, HOST:PORT, [IPV6] or [IPV6]:PORT)");
}

int RunWithCliSession(const CliOptions& options, CliServices& services,
                      const CliSessionBody& body) {
    CliOptions effective;
    if (int status = ApplySiteAccount(options, effective); status != kExitDone) {
        return status;
    }
    if (int status = CheckSessionOptions(effective); status != kExitDone) {
        return status;
    }
    CliSession session(effective, services);
    int status = session.Open();
    if (status == kExitDone) {
        status = body(session);
    }
    session.Close();
    return status;
}
