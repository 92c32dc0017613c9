#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

#include "servers/server_process.h"
#include "support/temp_folder.h"

// A real pyftpdlib server on 127.0.0.1 (Debian's python3-pyftpdlib run by /usr/bin/python3) with
// one user and a temporary home folder. Stopped when the object dies.
class PyFtpdServer {
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
    ~PyFtpdServer();
    PyFtpdServer(const PyFtpdServer&) = delete;
    PyFtpdServer& operator=(const PyFtpdServer&) = delete;

    // Starts the server and waits until it listens; false (with the reason) when it did not.
    bool Start(std::string* why = nullptr);
    void Stop();

    std::uint16_t port() const { return port_; }
    std::string hostText() const { return "127.0.0.1:" + std::to_string(port_); }
    const std::string& root() const { return root_; }
    const Options& options() const { return options_; }

private:
    Options options_;
    TempFolder work_{"brindle-pyftpd"};
    std::string root_;
    ServerProcess server_;
    std::uint16_t port_ = 0;
};
