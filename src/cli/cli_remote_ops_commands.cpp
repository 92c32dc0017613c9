#include "cli/cli_remote_ops_commands.h"

#include <string>

#include "cli/cli_exit.h"
#include "cli/cli_session.h"
#include "ftp/remote_ops.h"

namespace {

constexpr char kCreateFailed[] = "Create directory failed. Check you have permissions.";
constexpr char kRenameFailed[] =
    "Cannot rename the file. Please check with your system administrator whether you have "
    "write permission on this folder.";

std::string QuotedText(const char* before, const std::string& name) {
    return before + ("\"" + name + "\".");
}

// Runs one operation in a session of its own; the exit status of the first step that failed.
int RunSessionOperation(const CliOptions& options, CliServices& services, const char* title,
                        const std::string& failureText, const CliOperation& operation) {
    return RunWithCliSession(options, services, [&](CliSession& session) {
        return ExitStatusForResult(session.Run(title, failureText.c_str(), operation));
    });
}

}  // namespace

int RunMkdirCommand(const CliOptions& options, CliServices& services) {
    const std::string& path = options.arguments.at(0);
    return RunSessionOperation(options, services, "New Folder", kCreateFailed,
                               [&path](LProcessInterface& iface, LSecureSocket& connection) {
                                   return FtpMakeDirectory(iface, connection, path);
                               });
}

int RunRmdirCommand(const CliOptions& options, CliServices& services) {
    const std::string& path = options.arguments.at(0);
    return RunSessionOperation(options, services, "Delete",
                               QuotedText("Unable to delete directory ", path),
                               [&path](LProcessInterface& iface, LSecureSocket& connection) {
                                   return FtpRemoveDirectory(iface, connection, path);
                               });
}

int RunRmCommand(const CliOptions& options, CliServices& services) {
    const std::string& name = options.arguments.at(0);
    if (options.HasCommandOption(kCliOptionRecursive)) {
        return RunSessionOperation(options, services, "Delete",
                                   QuotedText("Unable to delete directory ", name),
                                   [&name](LProcessInterface& iface, LSecureSocket& connection) {
                                       return FtpDeleteTree(iface, connection, name);
                                   });
    }
    return RunSessionOperation(options, services, "Delete",
                               QuotedText("Unable to delete file ", name),
                               [&name](LProcessInterface& iface, LSecureSocket& connection) {
                                   return FtpDeleteFile(iface, connection, name);
                               });
}

int RunMvCommand(const CliOptions& options, CliServices& services) {
    const std::string& oldName = options.arguments.at(0);
    const std::string& newName = options.arguments.at(1);
    return RunSessionOperation(
        options, services, "Rename", kRenameFailed,
        [&oldName, &newName](LProcessInterface& iface, LSecureSocket& connection) {
            return FtpRename(iface, connection, oldName, newName);
        });
}
