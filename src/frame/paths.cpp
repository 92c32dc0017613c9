#include "frame/paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "frame/text_limits.h"

std::string PathJoin(std::string_view folder, std::string_view name) {
    std::string out(folder.substr(0, kTextLimit - 1));
    if (!out.empty() && out.back() != '/' && out.back() != '\\') {
        out += '/';
    }
    out += name;
    return CutText(out);
}

namespace {

bool IsFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string EnvOrEmpty(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

}  // namespace

bool CreateFolderPath(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    if (IsFolder(path)) {
        return true;
    }
    std::size_t cut = path.find_last_of("/\\");
    if (cut != std::string::npos && cut > 0) {
        CreateFolderPath(path.substr(0, cut));
    }
    return (mkdir(path.c_str(), 0777) == 0 || errno == EEXIST) && IsFolder(path);
}

std::string GetLoginName() {
    std::string name = EnvOrEmpty("LOGNAME");
    if (name.empty()) {
        name = EnvOrEmpty("USER");
    }
    return CutText(name);
}

std::string GetHomeFolder() {
    std::string home = EnvOrEmpty("HOME");
    if (!home.empty()) {
        return home;
    }
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr) {
        return found->pw_dir;
    }
    return "/";
}

std::string GetUserAppSupportFolder() {
    std::string dataHome = EnvOrEmpty("XDG_DATA_HOME");
    // The XDG rules ignore a relative path here.
    if (!dataHome.empty() && dataHome.front() == '/') {
        return CutText(dataHome);
    }
    return PathJoin(GetHomeFolder(), ".local/share");
}

std::string GetDataFolder() {
    std::string folder =
        PathJoin(PathJoin(GetUserAppSupportFolder(), "Velmor Software"), "BrindleFTP");
    CreateFolderPath(folder);
    return folder;
}

std::string GetLogFolder() {
    std::string folder = PathJoin(GetDataFolder(), "Logs");
    CreateFolderPath(folder);
    return folder;
}
