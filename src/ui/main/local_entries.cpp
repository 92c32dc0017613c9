#include "ui/main/local_entries.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

#include "frame/file_system.h"
#include "frame/folder_iterator.h"

std::string LocalKindText(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || name.find_first_of("/\\", dot) != std::string_view::npos) {
        return "";
    }
    return std::string(name.substr(dot));
}

bool ReadLocalEntries(const std::string& folder, std::vector<LocalEntry>& entries) {
    entries.clear();
    if (!IsFolderPath(folder)) {
        return false;
    }
    // The iterator skips hidden names ("." and ".." among them).
    LFile::FolderIterator iterator(folder);
    while (iterator.Next()) {
        LocalEntry entry;
        entry.name = iterator.Name();
        struct stat facts {};
        if (stat(iterator.Path().c_str(), &facts) == 0) {
            entry.folder = S_ISDIR(facts.st_mode);
            entry.size = entry.folder ? 0 : static_cast<std::uint64_t>(facts.st_size);
            entry.modified = facts.st_mtime;
        }
        entry.kind = LocalKindText(entry.name);
        entries.push_back(std::move(entry));
    }
    OrderLocalEntries(entries);
    return true;
}

void OrderLocalEntries(std::vector<LocalEntry>& entries) {
    std::sort(entries.begin(), entries.end(), [](const LocalEntry& a, const LocalEntry& b) {
        if (a.folder != b.folder) {
            return a.folder;
        }
        return a.name < b.name;
    });
}

std::string LocalDateText(time_t time) {
    tm local{};
    if (time == 0 || localtime_r(&time, &local) == nullptr) {
        return "";
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.4d-%.2d-%.2d %.2d:%.2d:%.2d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}
