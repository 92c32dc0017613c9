#pragma once

// What the command-line tests share: the connection options that log brindleftp-cli on to a
// real server, and a folder made the working folder for a while (relative paths of a command).
#include <filesystem>
#include <string>
#include <vector>

#include "servers/real_server.h"

// --server, --user and --tls as the server case needs them; with the password unless `bare`.
inline std::vector<std::string> ServerArgs(RealServer& server, bool bare = false) {
    std::vector<std::string> args = {"--server", server.hostText(), "--user", server.user()};
    if (server.tls()) {
        args.push_back("--tls");
    }
    if (!bare) {
        args.insert(args.end(), {"--password", server.password()});
    }
    return args;
}

class ScopedWorkingFolder {
public:
    explicit ScopedWorkingFolder(const std::string& path) : old_(std::filesystem::current_path()) {
        std::filesystem::current_path(path);
    }
    ~ScopedWorkingFolder() { std::filesystem::current_path(old_); }

private:
    std::filesystem::path old_;
};
