#include "cli/cli_test_command.h"

#include <string>
#include <string_view>

#include "cli/cli_exit.h"
#include "cli/cli_session.h"
#include "cli/cli_sites.h"
#include "cli/cli_trust.h"
#include "cli/terminal_output.h"
#include "ftp/connection_test.h"

namespace {

constexpr std::string_view kReportLineEnd = "\r\n";

// The report's lines as the message box breaks them, the last one ended too.
void WriteReport(std::string_view report) {
    while (!report.empty()) {
        std::size_t end = report.find(kReportLineEnd);
        if (end == std::string_view::npos) {
            WriteOutputLine(report);
            return;
        }
        WriteOutputLine(report.substr(0, end));
        report.remove_prefix(end + kReportLineEnd.size());
    }
}

int ExitStatusForTest(LProcessResult result, bool stopped, std::uint32_t outcome) {
    // A stop during the logon or the upload still ends the test "ok"; the stop is what counts.
    if (result == LPROCESS_STOPPED || stopped || outcome == kTestNotFinished) {
        return kExitStopped;
    }
    return outcome == kTestPassed ? kExitDone : kExitFailed;
}

}  // namespace

int RunTestCommand(const CliOptions& options, CliServices& services) {
    CliOptions effective;
    if (int status = ApplySiteAccount(options, effective); status != kExitDone) {
        return status;
    }
    if (int status = CheckSessionOptions(effective); status != kExitDone) {
        return status;
    }

    TrustCertificateOfOptions(effective);
    FtpTestReport report;
    report.host = *effective.server;
    report.useTls = effective.tls;
    report.ui = &services.ui;
    if (!effective.arguments.empty()) {
        report.directory = effective.arguments[0];
    } else if (effective.changeDirectory) {
        report.directory = *effective.changeDirectory;
    }
    if (!ResolveLogon(effective, services, report.host, report.user, report.password)) {
        return kExitStopped;
    }

    bool stopped = false;
    ProcessSecureFtpTestReadWrite process(&report);
    LProcessResult result =
        services.launcher.Run(nullptr, kFtpConnectionTestTitle, [&](LProcessInterface& iface) {
            LProcessResult tested = process.Run(iface);
            stopped = iface.IsStopped();
            return tested;
        });
    WriteReport(report.report);
    WriteOutputLine("result=" + std::to_string(report.result));
    return ExitStatusForTest(result, stopped, report.result);
}
