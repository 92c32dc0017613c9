#pragma once

#include <string>

#include "servers/server_process.h"

// A real pyftpdlib server on 127.0.0.1 (Debian's python3-pyftpdlib run by /usr/bin/python3) with
// one user and a temporary home folder.
class PyFtpdServer : public LoopbackServer {
public:
    struct Options {
        std::string user = "test";
        std::string password = "secret";
        bool anonymous = false;
        bool tls = false;          // explicit TLS (AUTH TLS) offered
        bool tlsRequired = false;  // logon and data refused without TLS
        bool expiredCertificate = false;
    };

    PyFtpdServer() : PyFtpdServer(Options{}) {}
    explicit PyFtpdServer(Options options);

    // Starts the server and waits until it listens; false (with the reason) when it did not.
    bool Start(std::string* why = nullptr);

    const std::string& root() const { return root_; }
    const Options& options() const { return options_; }

private:
    Options options_;
    std::string root_;
};
