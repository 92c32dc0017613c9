#include "transfer/download_names.h"

#include "frame/text_limits.h"
#include "transfer/relative_path.h"

namespace {

constexpr std::string_view kLinkArrow = " -> ";

std::string WholeRemotePath(std::string_view localTarget, std::string_view remoteStart,
                            std::string_view localPath) {
    std::string path(remoteStart);
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    return path + RelativePathPart(localTarget, localPath);
}

}  // namespace

bool IsSafeName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string_view::npos && name.size() < kTextLimit;
}

bool IsDotEntry(std::string_view name) {
    return name == "." || name == "./" || name == ".." || name == "../";
}

bool IsListedLink(std::string_view name) {
    return name.find(kLinkArrow) != std::string_view::npos;
}

std::string LinkOwnName(std::string_view name) {
    std::string_view own = name.substr(0, name.find(kLinkArrow));
    std::size_t first = own.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    own = own.substr(first);
    return std::string(own.substr(0, own.find_last_not_of(' ') + 1));
}

std::string BuildRemotePath(std::string_view localTarget, std::string_view remoteStart,
                            std::string_view localPath) {
    return CutText(WholeRemotePath(localTarget, remoteStart, localPath));
}

bool RemotePathFits(std::string_view localTarget, std::string_view remoteStart,
                    std::string_view localPath) {
    return localPath.size() <= kTextLimit &&
           WholeRemotePath(localTarget, remoteStart, localPath).size() <= kTextLimit;
}
