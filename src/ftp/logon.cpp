#include "ftp/logon.h"

#include "ftp/control_channel.h"
#include "net/host_address.h"

namespace {

constexpr std::uint16_t kFtpDefaultPort = 21;

}  // namespace

LProcessResult FtpLogon(LProcessInterface& iface, LSecureSocket& connection,
                        const std::string& host, const std::string& user,
                        const std::string& password, bool useTls) {
    SecureClose(connection);
    connection.features = 0;

    sockaddr_in address{};
    MakeSocketAddress(address, host, kFtpDefaultPort);
    if (address.sin_addr.s_addr == 0) {
        return LPROCESS_FAILED;  // never 0.0.0.0, which would reach this machine
    }
    LProcessResult connected = SecureConnect(iface, connection, address, kFtpConnectTimeout);
    if (connected != LPROCESS_OK) {
        return connected;
    }
    int code = 0;
    std::string text;
    LProcessResult greeted = FtpReadReply(iface, connection, code, text);
    if (greeted != LPROCESS_OK) {
        return greeted;
    }
    if (!FtpPositive(code)) {
        return LPROCESS_FAILED;
    }

    if (useTls) {
        // Any answer but 234, and a failed handshake, leave the connection plain.
        LProcessResult asked = FtpCommand(iface, connection, "AUTH TLS\r\n", &code);
        if (asked == LPROCESS_STOPPED) {
            return asked;
        }
        if (asked == LPROCESS_OK && code == 234 && !TlsStart(iface, connection) &&
            iface.IsStopped()) {
            return LPROCESS_STOPPED;
        }
    }

    LProcessResult answered =
        FtpExchange(iface, connection, FtpCommandLine("USER", user), code, text);
    if (answered != LPROCESS_OK) {
        return answered;
    }
    if (code == 230) {
        return LPROCESS_OK;
    }
    if (code == 530) {
        return LPROCESS_FAILED;
    }
    return FtpCommandQuick(iface, connection, FtpCommandLine("PASS", password));
}

LProcessResult FtpConnect(LProcessInterface& iface, const FtpConnectRequest& request) {
    iface.SetStatusText("Connecting...", 0);
    iface.SetProgress(0.1);
    iface.SetStatusText("Connecting...", 1);
    iface.SetProgress(0.33);

    // Read now, refused until connections speak IPv6.
    const HostText server = ParseHostText(request.host, kFtpDefaultPort);
    if (server.status == HostTextStatus::kOk && server.ipv6) {
        iface.ReportError(kIpv6NotSupportedText);
        return LPROCESS_FAILED;
    }
    sockaddr_in address{};
    MakeSocketAddress(address, request.host, kFtpDefaultPort);
    if (address.sin_addr.s_addr == 0) {
        iface.ReportError("Unable to connect to server.");
        return LPROCESS_FAILED;
    }

    iface.SetStatusText("Logon...", 1);
    iface.SetProgress(0.66);
    LProcessResult result = FtpLogon(iface, *request.connection, request.host, request.user,
                                     request.password, request.useTls);
    if (result == LPROCESS_FAILED) {
        iface.ReportError("Unable to log onto server.");
    } else if (result == LPROCESS_OK) {
        iface.SetProgress(1.0);
    }
    return result;
}

LProcessResult LProcessSecureFtpConnect::Run(LProcessInterface& iface) {
    result_ = FtpConnect(iface, *request_);
    return result_;
}

LProcessResult RunSecureFtpConnect(ProcessLauncher& launcher, LWindow parent, const char* title,
                                   const FtpConnectRequest* request) {
    LProcessSecureFtpConnect process(request);
    return RunProcess(launcher, parent, title, process);
}
