#include "servers/http_server_fixture.h"

#include <sys/stat.h>

#include <sstream>

#include "frame/paths.h"

PythonHttpServer::PythonHttpServer() : LoopbackServer("brindle-http") {
    root_ = work_.File("root");
    logFile_ = work_.File("server.log");
    mkdir(root_.c_str(), 0755);
}

bool PythonHttpServer::Serve(const std::string& path, const std::string& bytes) const {
    const std::string full = root_ + "/" + path;
    return CreateFolderPath(full.substr(0, full.find_last_of('/'))) && WriteWholeFile(full, bytes);
}

bool PythonHttpServer::Start(std::string* why) {
    // Another program may take the free port between the look and the server's bind.
    for (int attempt = 0; attempt < 3; ++attempt) {
        port_ = FreeLoopbackPort();
        if (server_.StartAndWait(
                {"/usr/bin/python3", "-m", "http.server", "--bind", "127.0.0.1",
                 std::to_string(port_), "--directory", root_},
                logFile_, [this] { return LoopbackAnswers(port_); }, why)) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> PythonHttpServer::Requests() const {
    // Each answered request is logged as: 127.0.0.1 - - [date] "GET /x HTTP/1.0" 200 -
    std::vector<std::string> requests;
    std::istringstream log(ReadWholeFile(logFile_));
    for (std::string line; std::getline(log, line);) {
        const std::size_t open = line.find("] \"");
        const std::size_t close = line.rfind('"');
        if (open != std::string::npos && close != std::string::npos && close > open + 3) {
            requests.push_back(line.substr(open + 3, close - open - 3));
        }
    }
    return requests;
}
