#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/paths.h"
#include "servers/http_server_fixture.h"
#include "frame/file_system.h"
#include "services/components.h"
#include "services/service_hosts.h"
#include "support/temp_folder.h"

extern char** environ;

// Makes a zip archive of a folder (stored under the folder's own name) with Python's zipfile
// module, so the tests need no zip program.
inline bool MakeZip(const std::string& zipPath, const std::string& folder) {
    std::vector<std::string> args = {"/usr/bin/python3", "-m", "zipfile", "-c", zipPath, folder};
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return spawned == 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// A zip archive holding one folder `entryName` with the given files, made in `scratch`.
inline bool MakeComponentZip(const TempFolder& scratch, const std::string& zipPath,
                             const std::string& entryName,
                             const std::vector<std::pair<std::string, std::string>>& files) {
    std::string folder = scratch.File("content-" + entryName) + "/" + entryName;
    RemovePath(scratch.File("content-" + entryName));
    if (!CreateFolderPath(folder)) {
        return false;
    }
    for (const auto& [name, bytes] : files) {
        std::string path = folder + "/" + name;
        CreateFolderPath(path.substr(0, path.find_last_of('/')));
        if (!WriteWholeFile(path, bytes)) {
            return false;
        }
    }
    return MakeZip(zipPath, folder);
}

inline std::string ComponentFolder() {
    std::string folder;
    GetComponentFolder(folder);
    return folder;
}

// Every test starts with an empty component folder, and with component and update hosts that
// refuse connections, so that no test can ever reach the maker's real servers.
class ComponentFolderTest : public testing::Test {
protected:
    void SetUp() override {
        RemovePath(ComponentFolder());
        SetComponentHosts(refusing1_.hostText(), refusing2_.hostText());
        SetUpdateHost(refusing1_.hostText());
        SetSystemTlsCheck({});
    }
    void TearDown() override {
        RemovePath(ComponentFolder());
        SetSystemTlsCheck({});
    }

    RefusingPort refusing1_;
    RefusingPort refusing2_;
};
