#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Copies the folder tree at source into target, which is created with its parents when absent.
// Files are copied under a shared lock on the source and an exclusive lock on the copy, and get
// 0777 as far as the user's umask allows. Only folders and plain files are copied: a symbolic
// link to a folder is not followed, and an item of the target that is a symbolic link is left
// alone. Returns at once, with false, when source is not a folder; true when everything below
// it was copied.
bool CopyFolderTree(const std::string& source, const std::string& target);

// The last component of a path (after the last '/' or '\', at most 259 bytes) without the part
// from its last '.' on; a leading dot stays ("/x/.profile" gives ".profile").
std::string FileTitle(std::string_view path);

// A byte count in the largest whole unit it reaches, rounded down: "1023 Bytes", "1 KB",
// "1023 KB", "5 MB", "2 GB", "1 TB".
std::string FormatFileSize(std::uint64_t bytes);
