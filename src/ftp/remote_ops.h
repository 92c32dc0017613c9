#pragma once

#include <string>

#include "net/secure_socket.h"

// The simple remote operations on an open control connection. Paths and names are sent as they
// are given: relative to the current remote directory, or absolute. A stop never leaves a reply
// unread. The Quiet forms show nothing of `from` but keep its stop and its waits, and answer true
// for ok.

// "MKD"; the root and an empty path succeed without a command, and 521 (the folder exists
// already) counts as success, so an upload of a folder tree goes on over existing folders.
LProcessResult FtpMakeDirectory(LProcessInterface& iface, LSecureSocket& connection,
                                const std::string& path);
bool FtpMakeDirectoryQuiet(LProcessInterface& from, LSecureSocket& connection,
                           const std::string& path);
// "RMD"; ok for 200 to 399.
LProcessResult FtpRemoveDirectory(LProcessInterface& iface, LSecureSocket& connection,
                                  const std::string& path);
// "DELE"; ok for 200 to 399.
LProcessResult FtpDeleteFile(LProcessInterface& iface, LSecureSocket& connection,
                             const std::string& name);
// "RNFR", then "RNTO" only when the server accepted the old name.
LProcessResult FtpRename(LProcessInterface& iface, LSecureSocket& connection,
                         const std::string& oldName, const std::string& newName);
// Deletes the folder with everything in it, depth first, and stops at the first item that
// cannot be deleted (items deleted before it stay deleted). A folder that cannot be entered
// fails with nothing listed or deleted. When it stops early the current remote directory is
// wherever the deletion stopped.
LProcessResult FtpDeleteTree(LProcessInterface& iface, LSecureSocket& connection,
                             const std::string& folder);
// Whether the current remote directory lists this exact name (case-sensitive).
bool FtpFileExists(LProcessInterface& from, LSecureSocket& connection, const std::string& name);
