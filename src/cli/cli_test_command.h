#pragma once

#include "cli/cli_commands.h"
#include "cli/cli_options.h"

// test [DIR]: the connection test of the site properties, on a connection of its own, with its
// upload and deletion of "_ftptest". DIR (else --cd) is the start directory it tries. The
// report goes to stdout as the message box would show it, one line per report line, then a
// last line "result=N" with the outcome code. Exit 0 only when every step passed.
int RunTestCommand(const CliOptions& options, CliServices& services);
