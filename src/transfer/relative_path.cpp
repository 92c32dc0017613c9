#include "transfer/relative_path.h"

#include <algorithm>

#include "frame/text_limits.h"

std::string RelativePathPart(std::string_view base, std::string_view path) {
    std::string part(path.substr(std::min(base.size(), path.size())));
    std::replace(part.begin(), part.end(), '\\', '/');
    if (!part.empty() && part.front() == '/') {
        part.erase(0, 1);
    }
    return CutText(part);
}
