#include "cli/cli_transfer_commands.h"

#include <string>

#include "cli/cli_exit.h"
#include "cli/cli_session.h"
#include "frame/path_names.h"
#include "ftp/download.h"
#include "ftp/transfer_item.h"
#include "ftp/upload.h"

namespace {

// The second argument, else the file name part of the first.
std::string TargetName(const CliOptions& options) {
    if (options.arguments.size() > 1) {
        return options.arguments[1];
    }
    return PathFileName(options.arguments[0]);
}

// The server's text when it gave one, so that the user learns why; without one the session
// reports the transfer's own failure text, unless the engine reported something already.
void ReportServerText(LProcessInterface& iface, LProcessResult result,
                      const std::string& errorText) {
    if (result != LPROCESS_OK && result != LPROCESS_STOPPED && !errorText.empty()) {
        iface.ReportError(errorText.c_str());
    }
}

}  // namespace

int RunGetCommand(const CliOptions& options, CliServices& services) {
    FtpTransferItem item;
    item.remoteName = options.arguments.at(0);
    item.localPath = TargetName(options);
    if (item.localPath.empty()) {
        return UsageError("get: " + item.remoteName + " names no file; give LOCAL");
    }
    return RunWithCliSession(options, services, [&item](CliSession& session) {
        const std::string fallback = "Unable to download file \"" + item.remoteName + "\".";
        LProcessResult result =
            session.Run(kFtpDownloadTitle, fallback.c_str(),
                        [&](LProcessInterface& iface, LSecureSocket& connection) {
                            item.conn = &connection;
                            DownloadFile download(&item);
                            LProcessResult downloaded = download.Run(iface);
                            ReportServerText(iface, downloaded, item.errorText);
                            return downloaded;
                        });
        return ExitStatusForResult(result);
    });
}

int RunPutCommand(const CliOptions& options, CliServices& services) {
    FtpTransferItem item;
    item.localPath = options.arguments.at(0);
    item.remoteName = TargetName(options);
    if (item.remoteName.empty()) {
        return UsageError("put: " + item.localPath + " names no file; give REMOTE");
    }
    const bool append = options.HasCommandOption(kCliOptionAppend);
    return RunWithCliSession(options, services, [&item, append](CliSession& session) {
        const std::string fallback = "Unable to upload file \"" + item.localPath + "\".";
        LProcessResult result = session.Run(
            "FTP Upload", fallback.c_str(),
            [&](LProcessInterface& iface, LSecureSocket& connection) {
                item.conn = &connection;
                LProcessResult uploaded = FtpUploadFile(iface, connection, item.remoteName,
                                                        item.localPath, &item.errorText, append);
                ReportServerText(iface, uploaded, item.errorText);
                return uploaded;
            });
        return ExitStatusForResult(result);
    });
}
