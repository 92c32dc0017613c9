#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <ctime>
#include <map>
#include <string>

#include "support/temp_folder.h"

// Local trees for the transfer tests: making files and folders with given times, and taking a
// snapshot of everything below a folder to compare two trees.

// Everything below root, by path relative to it: "folder", "file:" + the bytes, or
// "link:" + the link's text. Links are not followed.
inline void AddTreeItems(const std::string& root, const std::string& relative,
                         std::map<std::string, std::string>& items) {
    const std::string folder = relative.empty() ? root : root + "/" + relative;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        const std::string child = relative.empty() ? name : relative + "/" + name;
        const std::string path = root + "/" + child;
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0) {
            continue;
        }
        if (S_ISLNK(info.st_mode)) {
            char target[4096];
            ssize_t length = readlink(path.c_str(), target, sizeof target);
            items[child] = "link:" + std::string(target, length > 0 ? length : 0);
        } else if (S_ISDIR(info.st_mode)) {
            items[child] = "folder";
            AddTreeItems(root, child, items);
        } else {
            items[child] = "file:" + ReadWholeFile(path);
        }
    }
    closedir(dir);
}

inline std::map<std::string, std::string> TreeSnapshot(const std::string& root) {
    std::map<std::string, std::string> items;
    AddTreeItems(root, "", items);
    return items;
}

// A file with these bytes and this modification time, readable by everyone (vsftpd serves
// anonymous users only world-readable files).
inline bool MakeFile(const std::string& path, const std::string& bytes, time_t modified) {
    if (!WriteWholeFile(path, bytes) || chmod(path.c_str(), 0644) != 0) {
        return false;
    }
    timeval times[2] = {{modified, 0}, {modified, 0}};
    return utimes(path.c_str(), times) == 0;
}

inline bool MakeFolder(const std::string& path) {
    return mkdir(path.c_str(), 0755) == 0 && chmod(path.c_str(), 0755) == 0;
}

// The modification time in whole seconds; 0 when the item does not exist.
inline time_t ModifiedTime(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_mtime : 0;
}

// Sets both times of the item itself (a link is not followed).
inline bool SetModified(const std::string& path, time_t time) {
    timeval times[2] = {{time, 0}, {time, 0}};
    return lutimes(path.c_str(), times) == 0;
}
