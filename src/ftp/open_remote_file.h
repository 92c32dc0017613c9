#pragma once

#include <string>

#include "ftp/ftp_session.h"
#include "process/process_launcher.h"
#include "process/ui_services.h"

// The private folder that remote files are downloaded into to be opened:
// $XDG_CACHE_HOME/brindleftp/open (~/.cache when unset), mode 0700. "" when it cannot be made
// or is not a private folder of this user.
std::string GetOpenFilesFolder();

// The main window's open action for a remote file of the session's current folder: downloads
// it under "FTP Download" into the private folder, with the session's connection check paused
// (queued notifications 0 and 1), and opens it with its default application. Logs the outcome.
// Fails without a word to the server while another operation holds the session.
LProcessResult OpenRemoteFile(LFtpList& session, ProcessLauncher& launcher,
                              UserInterfaceServices& ui, LWindow parent,
                              const std::string& remoteName);
