#pragma once

#include "cli/cli_commands.h"
#include "cli/cli_options.h"

// The one-file transfers. A refused transfer prints the server's text; one that failed
// without a text from the server prints a line naming the file.

// get REMOTE [LOCAL]: downloads REMOTE into LOCAL (by default the remote file's name in the
// current local folder). LOCAL is emptied before the transfer starts; it stays empty when the
// server refuses the file, and is deleted when a started transfer does not complete.
int RunGetCommand(const CliOptions& options, CliServices& services);

// put LOCAL [REMOTE] [--append]: uploads LOCAL as REMOTE (by default the local file's name in
// the current remote folder); with --append only what the remote file lacks is sent.
int RunPutCommand(const CliOptions& options, CliServices& services);
