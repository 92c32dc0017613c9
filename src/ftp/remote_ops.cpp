#include "ftp/remote_ops.h"

#include "ftp/control_channel.h"
#include "ftp/current_directory.h"
#include "ftp/remote_listing.h"
#include "ftp/reply_in_step.h"

namespace {

// The server answers 521 to MKD when the folder exists already.
constexpr int kFolderExistsCode = 521;

bool IsDotEntry(const char* name) {
    const std::string_view text(name);
    return text == "." || text == "..";
}

}  // namespace

LProcessResult FtpMakeDirectory(LProcessInterface& iface, LSecureSocket& connection,
                                const std::string& path) {
    if (iface.IsStopped()) {
        return LPROCESS_STOPPED;
    }
    if (path.empty() || path == "/") {
        return LPROCESS_OK;
    }
    int code = 0;
    LProcessResult result = FtpCommandInStep(
        iface, connection, FtpCommandLine("MKD", path, kLongCommandLineSize), &code);
    if (result == LPROCESS_FAILED && code == kFolderExistsCode) {
        return LPROCESS_OK;
    }
    return result;
}

bool FtpMakeDirectoryQuiet(LProcessInterface& from, LSecureSocket& connection,
                           const std::string& path) {
    LProcessInterfaceVoidInstance quiet(from);
    return FtpMakeDirectory(quiet, connection, path) == LPROCESS_OK;
}

LProcessResult FtpRemoveDirectory(LProcessInterface& iface, LSecureSocket& connection,
                                  const std::string& path) {
    return FtpCommandInStep(iface, connection, FtpCommandLine("RMD", path));
}

LProcessResult FtpDeleteFile(LProcessInterface& iface, LSecureSocket& connection,
                             const std::string& name) {
    return FtpCommandInStep(iface, connection, FtpCommandLine("DELE", name));
}

LProcessResult FtpRename(LProcessInterface& iface, LSecureSocket& connection,
                         const std::string& oldName, const std::string& newName) {
    LProcessResult from = FtpCommandInStep(iface, connection, FtpCommandLine("RNFR", oldName));
    if (from != LPROCESS_OK) {
        return from;
    }
    return FtpCommandInStep(iface, connection, FtpCommandLine("RNTO", newName));
}

LProcessResult FtpDeleteTree(LProcessInterface& iface, LSecureSocket& connection,
                             const std::string& folder) {
    std::string remembered;
    FtpGetCurrentDirectoryQuiet(iface, connection, remembered);
    // Listing whatever folder we are in instead would delete the wrong files.
    if (!FtpChangeDirectoryQuiet(iface, connection, folder)) {
        return iface.IsStopped() ? LPROCESS_STOPPED : LPROCESS_FAILED;
    }

    FtpDirList list(iface, connection, "*");
    for (; !list.AtEnd(); list.Next()) {
        if (list.cancelled || iface.IsStopped()) {
            return LPROCESS_STOPPED;
        }
        // A link to a folder is removed as the link itself: following it would delete the
        // contents of a folder that lives elsewhere on the server.
        const bool isFolder = list.IsFolderEntry() && !list.IsLinkEntry();
        // The kind is not known when its look-up was stopped.
        if (list.cancelled) {
            return LPROCESS_STOPPED;
        }
        LProcessResult deleted = LPROCESS_OK;
        if (isFolder) {
            if (IsDotEntry(list.CurrentName())) {
                continue;
            }
            deleted = FtpDeleteTree(iface, connection, list.CurrentName());
        } else {
            deleted = FtpDeleteFile(iface, connection, list.CurrentName());
        }
        if (deleted != LPROCESS_OK) {
            return deleted;
        }
    }
    // A listing stopped before its first item leaves nothing to walk, but the folder is not
    // known to be empty.
    if (list.cancelled) {
        return LPROCESS_STOPPED;
    }

    FtpChangeDirectoryQuiet(iface, connection, remembered);
    return FtpRemoveDirectory(iface, connection, folder);
}

bool FtpFileExists(LProcessInterface& from, LSecureSocket& connection, const std::string& name) {
    if (name.empty()) {
        return false;
    }
    LProcessInterfaceVoidInstance quiet(from);
    FtpDirList list(quiet, connection, "*");
    for (; !list.AtEnd() && !list.cancelled; list.Next()) {
        if (name == list.CurrentName()) {
            return true;
        }
    }
    return false;
}
