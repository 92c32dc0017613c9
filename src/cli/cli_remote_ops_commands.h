#pragma once

#include "cli/cli_commands.h"
#include "cli/cli_options.h"

// The remote pane's operations on one item, with the texts its failures show.

// mkdir DIR: makes the folder; one that exists already counts as made.
int RunMkdirCommand(const CliOptions& options, CliServices& services);
// rmdir DIR: removes the (empty) folder.
int RunRmdirCommand(const CliOptions& options, CliServices& services);
// rm NAME: deletes the file. rm -r DIR: deletes the folder with everything in it, stopping at
// the first item that cannot be deleted.
int RunRmCommand(const CliOptions& options, CliServices& services);
// mv OLD NEW: renames the item.
int RunMvCommand(const CliOptions& options, CliServices& services);
