#pragma once

#include <string>
#include <vector>

#include "servers/server_process.h"

// Python's http.server (Debian's /usr/bin/python3) on 127.0.0.1, serving a temporary folder.
class PythonHttpServer : public LoopbackServer {
public:
    PythonHttpServer();

    // Starts the server and waits until it answers; false (with the reason) when it did not.
    bool Start(std::string* why = nullptr);

    std::string Url(const std::string& path) const { return "http://" + hostText() + path; }
    // The served folder.
    const std::string& root() const { return root_; }
    // Writes a file below the served folder, creating its folders.
    bool Serve(const std::string& path, const std::string& bytes) const;
    // The request lines the server has answered so far ("GET /x HTTP/1.0"), in order.
    std::vector<std::string> Requests() const;

private:
    std::string root_;
    std::string logFile_;
};
