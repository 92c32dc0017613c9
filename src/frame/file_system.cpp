#include "frame/file_system.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

#include "frame/child_program.h"
#include "frame/file_descriptor.h"

namespace fs = std::filesystem;

namespace {

mode_t CurrentUmask() {
    // Read without calling umask(), which would change the mask for every thread for a moment.
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) {
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8) & 0777);
        }
    }
    return 022;
}

// Calls visit for the path and every item below it, without following symbolic links.
template <typename Visit>
void WalkTree(const std::string& path, Visit visit) {
    std::error_code error;
    visit(fs::path(path), fs::symlink_status(path, error));
    if (!fs::is_directory(fs::symlink_status(path, error))) {
        return;
    }
    fs::recursive_directory_iterator it(path, fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        visit(it->path(), it->symlink_status(error));
    }
}

}  // namespace

bool RunProgram(const std::vector<std::string>& argv) {
    return RunChildProgram(argv, false) == ChildProgramEnd::kSucceeded;
}

std::string PathArgument(const std::string& path) {
    return !path.empty() && path.front() == '-' ? "./" + path : path;
}

mode_t ModeWithinUmask(mode_t mode) {
    return mode & ~CurrentUmask();
}

bool PathExists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

bool IsFolderPath(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::vector<std::string> SetModeRecursively(const std::string& path, mode_t mode) {
    std::vector<std::string> unchanged;
    WalkTree(path, [&](const fs::path& item, const fs::file_status& status) {
        if (status.type() == fs::file_type::symlink || status.type() == fs::file_type::not_found) {
            return;
        }
        if (chmod(item.c_str(), mode) != 0) {
            unchanged.push_back(item.string());
        }
    });
    return unchanged;
}

std::vector<std::string> FilesLackingExecuteBits(const std::string& path, mode_t bits) {
    std::vector<std::string> lacking;
    WalkTree(path, [&](const fs::path& item, const fs::file_status& status) {
        if (status.type() != fs::file_type::regular) {
            return;
        }
        struct stat info {};
        if (lstat(item.c_str(), &info) == 0 && (info.st_mode & bits) != bits) {
            lacking.push_back(item.string());
        }
    });
    return lacking;
}

bool CopyFileBytes(const std::string& source, const std::string& target, mode_t mode) {
    FileDescriptor in(open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0 || flock(in.get(), LOCK_SH) != 0) {
        return false;
    }
    FileDescriptor out(open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (out.get() < 0) {
        return false;
    }
    bool copied = flock(out.get(), LOCK_EX) == 0;
    char block[8192];
    while (copied) {
        ssize_t got = read(in.get(), block, sizeof block);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            copied = got == 0;
            break;
        }
        copied = WriteAll(out.get(), block, static_cast<std::size_t>(got));
    }
    copied = copied && fchmod(out.get(), mode) == 0;
    copied = out.Close() && copied;
    if (!copied) {
        unlink(target.c_str());
    }
    return copied;
}

void RemovePath(const std::string& path) {
    std::error_code error;
    fs::remove_all(path, error);
}
