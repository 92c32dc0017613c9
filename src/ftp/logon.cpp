#include "ftp/logon.h"

#include <cstdio>

#include "frame/text_limits.h"
#include "ftp/control_channel.h"
#include "net/certificate_trust.h"
#include "net/host_address.h"
#include "process/forwarding_interface.h"

namespace {

constexpr std::uint16_t kFtpDefaultPort = 21;

// Notes whether the logon reported a reason of its own.
class ReportNoticingInterface final : public ForwardingProcessInterface {
public:
    using ForwardingProcessInterface::ForwardingProcessInterface;

    void ReportError(const char* text) override {
        reported = true;
        ForwardingProcessInterface::ReportError(text);
    }

    bool reported = false;
};

// AUTH TLS, the handshake and the certificate's trust.
LProcessResult AskForTls(LProcessInterface& iface, LSecureSocket& connection,
                         const std::string& host, UserInterfaceServices* ui, LWindow parent) {
    if (!TlsAvailable()) {
        iface.ReportError(kTlsUnavailableText);
        return LPROCESS_FAILED;
    }
    int code = 0;
    LProcessResult asked = FtpCommand(iface, connection, "AUTH TLS\r\n", &code);
    if (asked == LPROCESS_STOPPED) {
        return asked;
    }
    if (asked != LPROCESS_OK || code != 234) {
        iface.ReportError(kTlsRefusedText);
        return LPROCESS_FAILED;
    }
    std::string failure;
    if (!TlsStart(iface, connection, nullptr, &failure)) {
        if (iface.IsStopped()) {
            return LPROCESS_STOPPED;
        }
        char text[kAlertTextLimit + 1];
        std::snprintf(text, sizeof text, kTlsHandshakeFailedText, failure.c_str());
        iface.ReportError(text);
        return LPROCESS_FAILED;
    }
    return TrustServerCertificate(iface, ui, parent, connection, host, kFtpDefaultPort);
}

}  // namespace

LProcessResult FtpLogon(LProcessInterface& iface, LSecureSocket& connection,
                        const std::string& host, const std::string& user,
                        const std::string& password, bool useTls, UserInterfaceServices* ui,
                        LWindow parent) {
    SecureClose(connection);
    connection.features = 0;

    AddressList addresses;
    MakeAddressList(addresses, host, kFtpDefaultPort);
    LProcessResult connected =
        SecureConnectAnyAddress(iface, connection, addresses, kFtpConnectTimeout);
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
        // TLS or nothing: whatever failed, nothing more goes out in clear.
        LProcessResult secured = AskForTls(iface, connection, host, ui, parent);
        if (secured != LPROCESS_OK) {
            SecureClose(connection);
            return secured;
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

    AddressList addresses;
    MakeAddressList(addresses, request.host, kFtpDefaultPort);
    if (addresses.count == 0) {
        iface.ReportError("Unable to connect to server.");
        return LPROCESS_FAILED;
    }

    iface.SetStatusText("Logon...", 1);
    iface.SetProgress(0.66);
    ReportNoticingInterface noticing(iface);
    LProcessResult result = FtpLogon(noticing, *request.connection, request.host, request.user,
                                     request.password, request.useTls, request.ui, request.parent);
    if (result == LPROCESS_FAILED && !noticing.reported) {
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
