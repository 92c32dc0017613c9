#pragma once

#include <string>

#include "net/secure_socket.h"
#include "process/process_launcher.h"
#include "process/ui_services.h"

// What connecting needs; the connection belongs to the caller.
struct FtpConnectRequest {
    LSecureSocket* connection = nullptr;
    std::string host;  // host, host:port, [IPv6 address] or [IPv6 address]:port (default port 21)
    std::string user;
    std::string password;
    bool useTls = false;
    // Who is asked about a server certificate that does not verify; without one such a
    // certificate ends the connection.
    UserInterfaceServices* ui = nullptr;
    LWindow parent = nullptr;
};

// Why a connection that asked for TLS ended before the user name and password were sent.
inline constexpr char kTlsRefusedText[] =
    "The server does not offer TLS; the connection was closed before the user name and password "
    "were sent.";
inline constexpr char kTlsHandshakeFailedText[] = "The TLS handshake with the server failed: %s";
inline constexpr char kTlsUnavailableText[] =
    "TLS is not available: install the system package libssl3, or turn off Use Secure FTP for "
    "this site.";

// Resolves, connects and logs on, reporting "Unable to connect to server." or "Unable to log
// onto server." through the interface, unless the logon reported a reason of its own.
LProcessResult FtpConnect(LProcessInterface& iface, const FtpConnectRequest& request);
// Connects to the first address of the host (IPv6 or IPv4, in the resolver's order) that takes
// the connection, reads the greeting, asks for TLS when wanted, sends USER and PASS; fails
// without connecting when the host does not resolve. With useTls it is TLS or nothing: a refused
// AUTH TLS, a failed handshake, a missing TLS library or a certificate that is not trusted
// (TrustServerCertificate, asking `ui`) close the connection before USER, with the reason
// reported; nothing else is reported.
LProcessResult FtpLogon(LProcessInterface& iface, LSecureSocket& connection,
                        const std::string& host, const std::string& user,
                        const std::string& password, bool useTls,
                        UserInterfaceServices* ui = nullptr, LWindow parent = nullptr);

inline constexpr char kFtpConnectTitle[] = "FTP Connect";

// The connect process run under the "FTP Connect" progress dialog.
class LProcessSecureFtpConnect {
public:
    explicit LProcessSecureFtpConnect(const FtpConnectRequest* request) : request_(request) {}
    LProcessResult Run(LProcessInterface& iface);
    LProcessResult result() const { return result_; }

private:
    const FtpConnectRequest* request_;
    LProcessResult result_ = LPROCESS_FAILED;
};

LProcessResult RunSecureFtpConnect(ProcessLauncher& launcher, LWindow parent, const char* title,
                                   const FtpConnectRequest* request);
