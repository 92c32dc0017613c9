#include "cli/cli_remote_commands.h"

#include <string>

#include "cli/cli_exit.h"
#include "cli/cli_session.h"
#include "cli/terminal_output.h"
#include "ftp/current_directory.h"

int RunPwdCommand(const CliOptions& options, CliServices& services) {
    return RunWithCliSession(options, services, [](CliSession& session) {
        std::string path;
        LProcessResult result =
            session.Run("Get Directory", "Unable to get the current directory.",
                        [&path](LProcessInterface& iface, LSecureSocket& connection) {
                            return FtpGetCurrentDirectory(iface, connection, path);
                        });
        if (result == LPROCESS_OK) {
            WriteOutputLine(path);
        }
        return ExitStatusForResult(result);
    });
}
