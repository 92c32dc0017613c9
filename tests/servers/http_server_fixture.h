#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "servers/server_process.h"
#include "support/temp_folder.h"

// Python's http.server (Debian's /usr/bin/python3) on 127.0.0.1, serving a temporary folder.
// Stopped when the object dies.
class PythonHttpServer {
public:
    PythonHttpServer();
    ~PythonHttpServer();
    PythonHttpServer(const PythonHttpServer&) = delete;
    PythonHttpServer& operator=(const PythonHttpServer&) = delete;

    // Starts the server and waits until it answers; false (with the reason) when it did not.
    bool Start(std::string* why = nullptr);
    void Stop();

    std::uint16_t port() const { return port_; }
    std::string hostText() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string Url(const std::string& path) const { return "http://" + hostText() + path; }
    // The served folder.
    const std::string& root() const { return root_; }
    // Writes a file below the served folder, creating its folders.
    bool Serve(const std::string& path, const std::string& bytes) const;

    // The request lines the server has answered so far ("GET /x HTTP/1.0"), in order.
    std::vector<std::string> Requests() const;

private:
    bool StartOnce(std::string* why);

    TempFolder work_{"brindle-http"};
    std::string root_;
    std::string logFile_;
    ServerProcess server_;
    std::uint16_t port_ = 0;
};
