#pragma once

#include <string>

#include "ftp/transfer_item.h"
#include "net/secure_socket.h"

// Sends one local file to the server as remoteName over a passive data connection with STOR,
// or with APPE when `append` is set: then only what the remote file lacks is sent, and a
// refused APPE falls back to STOR of the whole file. Afterwards a server offering MFMT gets the
// local modification time. errorText (may be null) gets the text of a negative reply, ""
// otherwise. The remote file is never deleted.
LProcessResult FtpUploadFile(LProcessInterface& iface, LSecureSocket& conn,
                             const std::string& remoteName, const std::string& localPath,
                             std::string* errorText, bool append);

// The file-list upload's step for one item: "Uploading file ..." and the local file's name on
// the status lines, then a replacing upload with the error text going to the item.
LProcessResult FtpUploadItem(LProcessInterface& iface, FtpTransferItem& item);
