#include "frame/path_names.h"

#include "frame/text_limits.h"

std::string PathFileName(std::string_view path) {
    std::size_t separator = path.find_last_of("/\\");
    if (separator == std::string_view::npos) {
        return CutText(path);
    }
    return CutText(path.substr(separator + 1));
}

std::string ParentPath(std::string_view path) {
    std::size_t separator = path.find_last_of("/\\");
    if (separator == std::string_view::npos) {
        return {};
    }
    if (separator == 0) {
        return "/";
    }
    return CutText(path.substr(0, separator));
}
