// brindleftp-cli: the engine driven from the command line.
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/cli_exit.h"
#include "cli/cli_help.h"
#include "cli/cli_options.h"
#include "cli/interrupt.h"
#include "cli/terminal_output.h"
#include "cli/terminal_process_launcher.h"
#include "cli/terminal_ui_services.h"
#include "frame/crash_handler.h"
#include "frame/signals.h"

namespace {

int Run(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    // Numbers in protocol and version texts must not follow the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    // No reaper of finished children: every program the CLI starts is waited for by its
    // starter, which needs the exit status.
    InstallSignalDispositions({.reapChildren = false});
    // A crash is asked about by the helper beside this program, when it is there.
    InstallCrashHandler();
    InstallInterruptHandler();

    std::vector<std::string> args(argv + 1, argv + argc);
    CliOptions options;
    std::string error;
    if (!ParseCliOptions(args, std::getenv("BRINDLEFTP_PASSWORD"), options, error)) {
        return UsageError(error + " (see --help)");
    }
    if (options.help) {
        std::fputs(CliHelpText().c_str(), stdout);
        return std::fflush(stdout) == 0 ? kExitDone : kExitFailed;
    }

    ManualEventQueue eventQueue;
    TerminalUiServices ui(options.answer);
    TerminalProcessLauncher launcher(&eventQueue, ProgressWanted(options.quiet));
    CliServices services{ui, launcher, eventQueue};
    int status = DispatchCliCommand(options, services);

    // Output that never arrived (a full disk, a closed pipe) is a failure a script must see.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        PrintMessageLine("brindleftp-cli: cannot write the output");
        if (status == kExitDone) {
            status = kExitFailed;
        }
    }
    return status;
}

}  // namespace

// Errors are result codes; an exception reaching here (memory ran out) is a failure a script
// must see, never an abort. The message is written without allocating.
int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "brindleftp-cli: %s\n", error.what());
    } catch (...) {
        std::fputs("brindleftp-cli: unexpected error\n", stderr);
    }
    return kExitFailed;
}
