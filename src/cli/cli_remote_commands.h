#pragma once

#include "cli/cli_commands.h"
#include "cli/cli_options.h"

// The commands that work on an FTP session (cli_session.h).

// pwd: the server's current directory after logon (and --cd) on stdout.
int RunPwdCommand(const CliOptions& options, CliServices& services);
