#pragma once

#include <string>

#include "net/secure_socket.h"

// "PWD": the path between the first pair of double quotes of a 2xx reply (at most 259 bytes).
LProcessResult FtpGetCurrentDirectory(LProcessInterface& iface, LSecureSocket& connection,
                                      std::string& path);
// The quiet forms show nothing of `from` but keep its stop and its waits; true for ok.
bool FtpGetCurrentDirectoryQuiet(LProcessInterface& from, LSecureSocket& connection,
                                 std::string& path);
// "CWD path" with the path as given; ok for 200 to 399.
LProcessResult FtpChangeDirectory(LProcessInterface& iface, LSecureSocket& connection,
                                  const std::string& path);
bool FtpChangeDirectoryQuiet(LProcessInterface& from, LSecureSocket& connection,
                             const std::string& path);

// The change-directory step: CWD to the directory (when not empty), then PWD into it, so a
// relative or unnormalised path becomes the server's absolute form.
LProcessResult FtpChangeDirectoryStep(LProcessInterface& iface, LSecureSocket& connection,
                                      std::string& directory);
