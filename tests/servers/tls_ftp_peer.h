#pragma once

#include <string>
#include <vector>

#include "servers/server_process.h"

// tls_ftp_peer.py on 127.0.0.1: an FTP server over explicit TLS that records every command line
// it receives. Control connections present the certificates given, one per connection in turn
// (the last repeating); data connections present `dataCertificate` when one is given. A
// certificate is a prefix: PREFIX-cert.pem and PREFIX-key.pem (MakeCertificate).
class TlsFtpPeer : public LoopbackServer {
public:
    TlsFtpPeer() : LoopbackServer("brindle-tls-peer") {}

    bool Start(const std::vector<std::string>& certificates,
               const std::string& dataCertificate = "", std::string* why = nullptr);
    // The command lines received so far, over every connection.
    std::vector<std::string> Received() const;
};
