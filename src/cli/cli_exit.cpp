#include "cli/cli_exit.h"

#include <string>

#include "cli/terminal_output.h"

int ExitStatusForResult(LProcessResult result) {
    switch (result) {
        case LPROCESS_OK:
            return kExitDone;
        case LPROCESS_STOPPED:
            return kExitStopped;
        default:
            return kExitFailed;
    }
}

int UsageError(std::string_view message) {
    PrintMessageLine("brindleftp-cli: " + std::string(message));
    return kExitUsage;
}
