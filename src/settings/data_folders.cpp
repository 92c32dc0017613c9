#include "settings/data_folders.h"

#include <sys/stat.h>

#include <cstdlib>
#include <string_view>

#include "frame/paths.h"

namespace {

constexpr const char* kDefaultDataDirs = "/usr/local/share:/usr/share";

bool IsFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

std::string GetPerUserHiddenFolder() {
    std::string folder = PathJoin(GetHomeFolder(), ".velmorsoftware");
    CreateFolderPath(folder);
    return folder;
}

std::string GetPerUserXmlFile() {
    return PathJoin(GetPerUserHiddenFolder(), "brindleftp.xml");
}

std::string GetSharedDataFolder() {
    const char* value = std::getenv("XDG_DATA_DIRS");
    std::string_view dirs = value != nullptr && value[0] != '\0' ? value : kDefaultDataDirs;
    while (!dirs.empty()) {
        std::size_t colon = dirs.find(':');
        std::string_view entry = dirs.substr(0, colon);
        dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
        // The XDG rules ignore relative entries.
        if (entry.empty() || entry.front() != '/') {
            continue;
        }
        std::string folder = PathJoin(entry, "brindleftp");
        if (IsFolder(folder)) {
            return folder;
        }
    }
    return GetDataFolder();
}

std::string GetSharedXmlFile() {
    return PathJoin(GetSharedDataFolder(), "SharedSettings.xml");
}
