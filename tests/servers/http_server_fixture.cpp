#include "servers/http_server_fixture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <sstream>

#include "frame/paths.h"

PythonHttpServer::PythonHttpServer() {
    root_ = work_.File("root");
    logFile_ = work_.File("server.log");
    mkdir(root_.c_str(), 0755);
}

PythonHttpServer::~PythonHttpServer() {
    Stop();
}

bool PythonHttpServer::Serve(const std::string& path, const std::string& bytes) const {
    std::string full = root_ + "/" + path;
    std::size_t cut = full.find_last_of('/');
    return CreateFolderPath(full.substr(0, cut)) && WriteWholeFile(full, bytes);
}

bool PythonHttpServer::Start(std::string* why) {
    // Another program may take the free port between the look and the server's bind.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (StartOnce(why)) {
            return true;
        }
    }
    return false;
}

bool PythonHttpServer::StartOnce(std::string* why) {
    port_ = FreeLoopbackPort();
    if (port_ == 0) {
        if (why != nullptr) {
            *why = "no free port on 127.0.0.1";
        }
        return false;
    }
    std::vector<std::string> args = {"/usr/bin/python3", "-m",        "http.server",
                                     "--bind",           "127.0.0.1", std::to_string(port_),
                                     "--directory",      root_};
    if (!server_.Spawn(args, "/dev/null", logFile_)) {
        if (why != nullptr) {
            *why = "cannot start /usr/bin/python3";
        }
        return false;
    }
    ServerProcess::Wait waited = server_.WaitUntil([this] { return LoopbackAnswers(port_); }, 60);
    if (waited == ServerProcess::Wait::Ready) {
        return true;
    }
    if (why != nullptr) {
        *why = waited == ServerProcess::Wait::Exited
                   ? "http.server exited: " + ReadWholeFile(logFile_)
                   : "http.server did not answer within 60 s";
    }
    Stop();
    return false;
}

void PythonHttpServer::Stop() {
    server_.Stop();
}

std::vector<std::string> PythonHttpServer::Requests() const {
    // Each answered request is logged as: 127.0.0.1 - - [date] "GET /x HTTP/1.0" 200 -
    std::vector<std::string> requests;
    std::istringstream log(ReadWholeFile(logFile_));
    std::string line;
    while (std::getline(log, line)) {
        std::size_t open = line.find("] \"");
        std::size_t close = line.rfind('"');
        if (open != std::string::npos && close != std::string::npos && close > open + 3) {
            requests.push_back(line.substr(open + 3, close - open - 3));
        }
    }
    return requests;
}
