#include "frame/paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <vector>

#include "frame/child_program.h"
#include "frame/resources_folder.h"
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

std::optional<std::string> HomeFromPasswordDatabase(const char* userName) {
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    int failed = userName != nullptr
                     ? getpwnam_r(userName, &entry, buffer.data(), buffer.size(), &found)
                     : getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found);
    if (failed != 0 || found == nullptr || found->pw_dir == nullptr || found->pw_dir[0] == '\0') {
        return std::nullopt;
    }
    return std::string(found->pw_dir);
}

// What a program found on PATH writes on its standard output (at most 4096 bytes are kept);
// nullopt when it cannot be started or reports a failure.
std::optional<std::string> ProgramOutput(const std::vector<std::string>& argv) {
    std::string output;
    ChildProgramEnd end = RunChildProgram(argv, true, &output);
    // A reaper of finished children may have taken the status first; the output still counts.
    if (end != ChildProgramEnd::kSucceeded && end != ChildProgramEnd::kUnknown) {
        return std::nullopt;
    }
    return output;
}

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
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
    return HomeFromPasswordDatabase(nullptr).value_or("/");
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

std::string GetDocumentsFolder() {
    std::optional<std::string> answer = ProgramOutput({"xdg-user-dir", "DOCUMENTS"});
    if (answer) {
        std::string folder = *answer;
        while (!folder.empty() && (folder.back() == '\n' || folder.back() == '\r')) {
            folder.pop_back();
        }
        if (!folder.empty() && folder.front() == '/' &&
            WithoutTrailingSlashes(folder) != WithoutTrailingSlashes(GetHomeFolder())) {
            return CutText(folder);
        }
    }
    return PathJoin(GetHomeFolder(), "Documents");
}

std::string GetDataFolderOfUser(const std::string& userName) {
    if (userName.empty()) {
        return "";
    }
    std::optional<std::string> home = HomeFromPasswordDatabase(userName.c_str());
    if (!home) {
        return "";
    }
    return PathJoin(PathJoin(*home, ".local/share/Velmor Software"), "BrindleFTP");
}

std::string GetHelpFolder() {
    std::string resources = GetResourcesFolder();
    if (resources.empty()) {
        return "/usr/share/brindleftp/help/";
    }
    return PathJoin(resources, "help/");
}

std::string GetInstallTemplateFolder() {
    std::string resources = GetResourcesFolder();
    return resources.empty() ? std::string() : PathJoin(resources, "install");
}
