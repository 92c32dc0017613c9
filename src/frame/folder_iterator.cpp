#include "frame/folder_iterator.h"

#include <fnmatch.h>
#include <sys/stat.h>

#include "frame/paths.h"

namespace LFile {

namespace {

bool IsPlainFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The name as a pattern that matches only itself (case aside): a file called "a[1].txt" must
// find itself, not "a1.txt".
std::string LiteralPattern(const std::string& name) {
    std::string pattern;
    for (char c : name) {
        if (c == '*' || c == '?' || c == '[' || c == '\\') {
            pattern += '\\';
        }
        pattern += c;
    }
    return pattern;
}

}  // namespace

FolderIterator::FolderIterator(const std::string& path) : folder_(path), pattern_("*") {
    if (IsPlainFile(path)) {
        std::size_t cut = path.find_last_of('/');
        if (cut == std::string::npos) {
            folder_.assign(1, '.');
        } else {
            folder_ = path.substr(0, cut == 0 ? 1 : cut);
        }
        pattern_ = LiteralPattern(cut == std::string::npos ? path : path.substr(cut + 1));
    }
    stream_.reset(opendir(folder_.c_str()));
}

FolderIterator::~FolderIterator() = default;

bool FolderIterator::Next() {
    name_.clear();
    if (!stream_) {
        return false;
    }
    while (const dirent* entry = readdir(stream_.get())) {
        std::string name = entry->d_name;
        if (Accept(name)) {
            name_ = std::move(name);
            return true;
        }
    }
    return false;
}

std::string FolderIterator::Path() const {
    return PathJoin(folder_, name_);
}

bool FolderIterator::IsDots() const {
    return name_ == "." || name_ == "..";
}

bool FolderIterator::IsFolder() const {
    struct stat info {};
    return !name_.empty() && stat(Path().c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool FolderIterator::Accept(const std::string& name) {
    return !name.empty() && name.front() != '.' &&
           fnmatch(pattern_.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
}

bool FolderIteratorAllFiles::Accept(const std::string&) {
    return true;
}

}  // namespace LFile
