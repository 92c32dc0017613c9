#include "cli/terminal_process_launcher.h"

#include "cli/interrupt.h"
#include "cli/terminal_process_interface.h"

LProcessResult TerminalProcessLauncher::Run(LWindow, const char* title,
                                            const ProcessFunction& process) {
    if (!process) {
        return LPROCESS_FAILED;
    }
    InterruptibleScope interruptible;
    TerminalProcessInterface terminal(title, queue_, showProgress_);
    LProcessResult result = process(terminal);
    terminal.ClearProgress();
    return result;
}
