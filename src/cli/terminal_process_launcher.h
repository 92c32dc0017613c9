#pragma once

#include "process/process_launcher.h"
#include "process/queued_notify.h"

// Runs each process on the terminal (TerminalProcessInterface) with Ctrl+C meaning "stop" for
// the length of the run; the progress line is gone when Run returns.
class TerminalProcessLauncher final : public ProcessLauncher {
public:
    // queue: drained while the process runs (may be null). showProgress: see ProgressWanted.
    TerminalProcessLauncher(ManualEventQueue* queue, bool showProgress)
        : queue_(queue), showProgress_(showProgress) {}

    LProcessResult Run(LWindow parent, const char* title, const ProcessFunction& process) override;

private:
    ManualEventQueue* queue_;
    bool showProgress_;
};
