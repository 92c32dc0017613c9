#pragma once

#include "cli/cli_commands.h"
#include "cli/cli_options.h"

// The commands on the stored site accounts; none of them connects.

// sites: one line per account in the store's order: label, server, user name and the TLS flag
// (1 or 0), separated by tabs.
int RunSitesCommand(const CliOptions& options, CliServices& services);
// site-save LABEL [--remember-password]: the site dialog's checks on label, server and user name
// (the failure's headline and text on stderr, exit 2), then the account saved from the
// connection options. An existing account (label compared ignoring case) keeps what the options
// do not give.
int RunSiteSaveCommand(const CliOptions& options, CliServices& services);
// site-delete LABEL: deletes the account; exit 2 when there is none.
int RunSiteDeleteCommand(const CliOptions& options, CliServices& services);

// The state of the settings store, opened now, on stderr: kExitFailed when it cannot be opened
// (nothing could be read or saved), else kExitDone, after a warning when a damaged store was
// moved aside and a new one started, or when the store can only be read.
int CheckSettingsStore();

// --site LABEL: `effective` becomes the options with the stored account's server, user name, TLS
// flag and remembered password wherever the command line gave none (the password environment
// variable only stands in for a password the account does not remember). kExitDone, else the
// exit status with its message printed.
int ApplySiteAccount(const CliOptions& options, CliOptions& effective);
