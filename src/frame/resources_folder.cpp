#include "frame/resources_folder.h"

#include <unistd.h>

#include <fstream>
#include <string_view>

#include "frame/file_system.h"

namespace {

std::string ParentFolder(const std::string& path) {
    std::size_t cut = path.find_last_of('/');
    return cut == std::string::npos || cut == 0 ? std::string("/") : path.substr(0, cut);
}

std::string ExecutableFolder() {
    std::string target(4096, '\0');
    ssize_t length = readlink("/proc/self/exe", target.data(), target.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) {
        return "";
    }
    target.resize(static_cast<std::size_t>(length));
    return ParentFolder(target);
}

// The source tree a build folder was configured from, as CMake noted it.
std::string SourceTreeOfBuild(const std::string& buildFolder) {
    constexpr std::string_view kKey = "CMAKE_HOME_DIRECTORY:INTERNAL=";
    std::ifstream cache(buildFolder + "/CMakeCache.txt");
    std::string line;
    while (std::getline(cache, line)) {
        if (line.rfind(kKey, 0) == 0) {
            return line.substr(kKey.size());
        }
    }
    return "";
}

}  // namespace

std::string GetResourcesFolder() {
    std::string binFolder = ExecutableFolder();
    if (binFolder.empty()) {
        return "";
    }
    // Programs live in <prefix>/bin, and in <build>/bin inside a build tree.
    std::string prefix = ParentFolder(binFolder);
    std::string installed = prefix + "/share/brindleftp";
    if (IsFolderPath(installed)) {
        return installed;
    }
    std::string sourceTree = SourceTreeOfBuild(prefix);
    if (!sourceTree.empty() && IsFolderPath(sourceTree + "/resources")) {
        return sourceTree + "/resources";
    }
    return "";
}
