#pragma once

#include <string>

#include "servers/server_process.h"

// A real vsftpd on 127.0.0.1 in anonymous mode (LIST only: no MLSD, MLST or MFMT), optionally
// with explicit TLS. The anonymous user lands in a read-only root whose folder "pub" is writable.
// vsftpd must run as root; Start says so when it cannot.
class VsftpdServer : public LoopbackServer {
public:
    struct Options {
        bool tls = false;
        bool tlsRequired = false;
        bool requireSslReuse = true;  // vsftpd's default: data connections must resume TLS
    };

    VsftpdServer() : VsftpdServer(Options{}) {}
    explicit VsftpdServer(Options options) : LoopbackServer("brindle-vsftpd"), options_(options) {}

    bool Start(std::string* why = nullptr);

    // The anonymous user's "/" on disk, and its writable "pub" folder.
    std::string root() const { return work_.File("anonroot"); }
    std::string pub() const { return work_.File("anonroot/pub"); }
    // The server's own log of the protocol (commands and replies).
    std::string LogText() const { return ReadWholeFile(work_.File("vsftpd.log")); }

private:
    bool StartOnFreePort(std::string& failure);
    bool Greets() const;

    Options options_;
};
