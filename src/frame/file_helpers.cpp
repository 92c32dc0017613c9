#include "frame/file_helpers.h"

#include <sys/stat.h>

#include <algorithm>

#include "frame/file_system.h"
#include "frame/folder_iterator.h"
#include "frame/paths.h"
#include "frame/text_limits.h"

namespace {

enum class ItemKind { kFolder, kFile, kOther };

// Symbolic links to files count as files; links to folders are not followed, so a link cycle
// cannot make the copy endless.
ItemKind KindOf(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
        return ItemKind::kOther;
    }
    if (S_ISDIR(info.st_mode)) {
        return ItemKind::kFolder;
    }
    if (S_ISLNK(info.st_mode) && stat(path.c_str(), &info) != 0) {
        return ItemKind::kOther;
    }
    return S_ISREG(info.st_mode) ? ItemKind::kFile : ItemKind::kOther;
}

bool IsSymbolicLink(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

}  // namespace

bool CopyFolderTree(const std::string& source, const std::string& target) {
    if (!IsFolderPath(source)) {
        return false;
    }
    bool copied = CreateFolderPath(target);
    LFile::FolderIteratorAllFiles entries(source);
    while (entries.Next()) {
        if (entries.IsDots()) {
            continue;
        }
        const std::string& name = entries.Name();
        // A path cut at the length limit would name another item.
        if (std::max(source.size(), target.size()) + 1 + name.size() > kTextLimit) {
            copied = false;
            continue;
        }
        std::string from = PathJoin(source, name);
        std::string to = PathJoin(target, name);
        if (IsSymbolicLink(to)) {
            copied = false;
            continue;
        }
        switch (KindOf(from)) {
            case ItemKind::kFolder:
                copied = CopyFolderTree(from, to) && copied;
                break;
            case ItemKind::kFile:
                copied = CopyFileBytes(from, to, ModeWithinUmask(0777)) && copied;
                break;
            case ItemKind::kOther:
                break;
        }
    }
    return copied;
}

std::string FileTitle(std::string_view path) {
    std::size_t cut = path.find_last_of("/\\");
    std::string title =
        CutText(cut == std::string_view::npos ? path : path.substr(cut + 1), kTextLimit);
    std::size_t dot = title.find_last_of('.');
    if (dot != std::string::npos && dot > 0) {
        title.resize(dot);
    }
    return title;
}

std::string FormatFileSize(std::uint64_t bytes) {
    struct Unit {
        int shift;
        const char* name;
    };
    static constexpr Unit kUnits[] = {{40, "TB"}, {30, "GB"}, {20, "MB"}, {10, "KB"}};
    for (const Unit& unit : kUnits) {
        if (bytes >= (std::uint64_t{1} << unit.shift)) {
            return std::to_string(bytes >> unit.shift) + " " + unit.name;
        }
    }
    return std::to_string(bytes) + " Bytes";
}
