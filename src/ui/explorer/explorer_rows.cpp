#include "ui/explorer/explorer_rows.h"

#include <algorithm>
#include <string_view>

#include "transfer/download_names.h"

namespace {

std::string TextBeforeLastSeparator(std::string_view path) {
    const std::size_t separator = path.find_last_of("/\\");
    return std::string(separator == std::string_view::npos ? std::string_view()
                                                           : path.substr(0, separator));
}

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

}  // namespace

bool ReadExplorerRows(FtpDirList& list, LProcessInterface& iface, bool foldersOnly,
                      std::vector<ExplorerRow>& rows) {
    for (; !list.AtEnd(); list.Next()) {
        if (iface.IsStopped()) {
            return false;
        }
        const std::string name = list.CurrentName();
        if (name == "." || name == "..") {
            continue;
        }
        const bool folder = list.IsFolderEntry();
        if (foldersOnly && !folder) {
            continue;
        }
        ExplorerRow row;
        // An MLSD link is a folder and a link at once; it shows as a link.
        row.kind = list.IsLinkEntry() ? kItemLink : folder ? kItemFolder : kItemFile;
        row.name = name;
        row.modified = list.GetModified();
        row.modifiedExact = list.current->modifiedExact != 0;
        if (row.kind == kItemFile) {
            row.sizeListed = list.current->hasSize != 0;
            row.size = list.GetSize();
        }
        rows.push_back(std::move(row));
    }
    return true;
}

void OrderExplorerRows(std::vector<ExplorerRow>& rows) {
    if (rows.size() >= kExplorerOrderedLimit) {
        return;
    }
    std::stable_sort(rows.begin(), rows.end(), [](const ExplorerRow& a, const ExplorerRow& b) {
        const bool aFolder = a.kind == kItemFolder;
        const bool bFolder = b.kind == kItemFolder;
        return aFolder != bFolder ? aFolder : a.name < b.name;
    });
}

std::string ExplorerRemoteName(const ExplorerRow& row) {
    return row.kind == kItemLink ? LinkOwnName(row.name) : row.name;
}

std::string ExplorerParentFolder(const std::string& folder) {
    std::string parent = TextBeforeLastSeparator(folder);
    if (!folder.empty() && IsSeparator(folder.back())) {
        parent = TextBeforeLastSeparator(parent);
    }
    return parent.empty() ? "/" : parent;
}
