#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "ftp/remote_listing.h"

// Folders of this many entries or more keep the server's order: sorting them would cost more
// than it helps.
inline constexpr std::size_t kExplorerOrderedLimit = 500;

// One row of the FTP Explorer's list: an item of the folder in view, or the new folder being
// named (an empty name).
struct ExplorerRow {
    int kind = kItemFile;  // kItemFile, kItemFolder or kItemLink
    std::string name;      // as listed; a link's may carry " -> target"
    std::uint64_t size = 0;
    bool sizeListed = false;  // the listing gave the size (not a look-up)
    time_t modified = 0;
    bool modifiedExact = false;  // an MLSD time, exact to the second
};

// Walks the listing into rows, without "." and ".."; with foldersOnly, folders alone. The stop
// is asked before each entry; false when it stopped the walk.
bool ReadExplorerRows(FtpDirList& list, LProcessInterface& iface, bool foldersOnly,
                      std::vector<ExplorerRow>& rows);
// Fewer than kExplorerOrderedLimit rows: folders first, then by name in byte order. More stay
// in the server's order.
void OrderExplorerRows(std::vector<ExplorerRow>& rows);

// The name the server knows the row by: a link's own name, without its target.
std::string ExplorerRemoteName(const ExplorerRow& row);

// The folder above `folder`, '/' and '\' both separating. A trailing separator does not count
// as a level; "/" when nothing is left.
std::string ExplorerParentFolder(const std::string& folder);
