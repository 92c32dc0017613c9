#pragma once

#include "cli/cli_commands.h"
#include "cli/cli_options.h"

// trust-save FINGERPRINT: stores the fingerprint as trusted always for the server of the
// connection options (--server, or the server of --site), as "Trust Always" does. A fingerprint
// or server that cannot be read is a usage error.
int RunTrustSaveCommand(const CliOptions& options, CliServices& services);

// --trust: the fingerprint trusted for this run on the options' server, as "Trust Once" would.
// `effective` holds the stored site's server when --site was given.
void TrustCertificateOfOptions(const CliOptions& effective);
