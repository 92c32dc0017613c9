#include "cli/cli_trust.h"

#include "cli/cli_exit.h"
#include "cli/cli_session.h"
#include "cli/cli_sites.h"
#include "cli/terminal_output.h"
#include "net/certificate.h"
#include "net/certificate_trust.h"

namespace {

constexpr std::uint16_t kFtpPort = 21;

}  // namespace

int RunTrustSaveCommand(const CliOptions& options, CliServices&) {
    CliOptions effective;
    if (int status = ApplySiteAccount(options, effective); status != kExitDone) {
        return status;
    }
    if (int status = CheckSessionOptions(effective); status != kExitDone) {
        return status;
    }
    const std::string& typed = options.arguments.at(0);
    if (CanonicalFingerprint(typed).empty()) {
        return UsageError(BadFingerprintText(typed));
    }
    if (!TrustCertificateAlways(*effective.server, kFtpPort, typed)) {
        PrintMessageLine("brindleftp-cli: the trusted certificate could not be saved");
        return kExitFailed;
    }
    return kExitDone;
}

void TrustCertificateOfOptions(const CliOptions& effective) {
    if (effective.trust && effective.server) {
        // The server text was checked before; a fingerprint is canonical once parsed.
        TrustCertificateOnce(*effective.server, kFtpPort, *effective.trust);
    }
}
