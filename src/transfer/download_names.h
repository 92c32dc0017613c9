#pragma once

#include <string>
#include <string_view>

// What the download walk makes of the names a server lists, before anything is made on the
// local disk for them. A server is not trusted: no listed name may lead outside the folder the
// user downloads into.

// True when the name can only mean one item directly inside a local folder: not empty, not "."
// or "..", no '/' or '\', at most 258 bytes.
bool IsSafeName(std::string_view name);

// The entries a listing gives for the folder itself and its parent: ".", "./", ".." and "../".
bool IsDotEntry(std::string_view name);

// A LIST name of a symbolic link, such as "docs -> /usr/share/doc".
bool IsListedLink(std::string_view name);
// The link's own name: the part before " -> ", without leading and trailing spaces.
std::string LinkOwnName(std::string_view name);

// The remote path of a queued file: remoteStart and the part of localPath beyond the length of
// localTarget ('\' made '/'), joined by one '/', at most 259 bytes.
std::string BuildRemotePath(std::string_view localTarget, std::string_view remoteStart,
                            std::string_view localPath);
// False when BuildRemotePath would have to cut the path.
bool RemotePathFits(std::string_view localTarget, std::string_view remoteStart,
                    std::string_view localPath);
