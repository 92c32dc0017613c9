#pragma once

#include "cli/cli_commands.h"
#include "cli/cli_options.h"

// The commands that ask the server about its items.

// ls [DIR]: the change-directory step to DIR (when given), then one tab-separated line per
// listed item, in the server's order, "." and ".." left out: isFolder isLink size modified
// name. A fact the listing did not deliver is "-"; nothing more is asked of the server. Control
// characters in names are shown as "\xNN" when stdout is a terminal, as raw bytes otherwise.
int RunLsCommand(const CliOptions& options, CliServices& services);

// stat NAME: the item's kind, size and time, each through the look-ups' fall-backs, as one
// line "kind size modified" (kind file, folder, link or unknown; "-" for a size or a time the
// look-ups could not find). Fails (after printing the line) when the kind is unknown.
int RunStatCommand(const CliOptions& options, CliServices& services);
