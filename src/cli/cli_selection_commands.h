#pragma once

#include "cli/cli_commands.h"
#include "cli/cli_options.h"

// The window's transfer commands on the command line: the same queue building, questions
// (answered by --yes/--no or on the terminal) and log lines. Exit status 2 when the walk ended
// early or any item ended with an error, 1 when stopped (the items the stop reached are not
// failures; Ctrl+C while the queue is being built transfers nothing) or the confirmation was
// declined. Unless all went well or the confirmation was
// declined, stderr gets a line per failed item, 'Unable to download "NAME": REASON' (or upload;
// the server's text, else what failed locally), then "N transferred, N failed, N skipped".

// download NAME... --to LOCALDIR: the names as rows of the remote pane's current folder.
int RunDownloadCommand(const CliOptions& options, CliServices& services);

// upload PATH... [--base DIR]: remote names are the paths relative to the base (by default the
// folder of the first path), in the current remote folder; a path not below the base is a usage
// error.
int RunUploadCommand(const CliOptions& options, CliServices& services);

// sync LOCALDIR: the local pane's items are LOCALDIR's entries whose names do not begin with a
// dot.
int RunSyncCommand(const CliOptions& options, CliServices& services);
