#pragma once

#include <string>

#include "net/secure_socket.h"
#include "process/process_launcher.h"

// What connecting needs; the connection belongs to the caller.
struct FtpConnectRequest {
    LSecureSocket* connection = nullptr;
    std::string host;  // host or host:port (default port 21)
    std::string user;
    std::string password;
    bool useTls = false;
};

// Resolves, connects and logs on, reporting "Unable to connect to server." or "Unable to log
// onto server." through the interface; an IPv6 address is refused with its own text.
LProcessResult FtpConnect(LProcessInterface& iface, const FtpConnectRequest& request);
// Connects, reads the greeting, asks for TLS when wanted, sends USER and PASS. Reports nothing;
// fails without connecting when the host gives no IPv4 address.
LProcessResult FtpLogon(LProcessInterface& iface, LSecureSocket& connection,
                        const std::string& host, const std::string& user,
                        const std::string& password, bool useTls);

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
