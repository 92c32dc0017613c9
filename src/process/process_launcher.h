#pragma once

#include <functional>

#include "process/process_interface.h"
#include "process/ui_services.h"

// A process: a function that reports through the interface it is given. Its parameter block is
// whatever the function captures; it lives in the caller's frame for the length of the run.
using ProcessFunction = std::function<LProcessResult(LProcessInterface&)>;

// Runs a process under a titled, cancellable progress user interface and returns its result.
// The desktop program shows a modal progress dialog, the command-line program a terminal
// progress line, tests a recording interface.
class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    // Returns LPROCESS_FAILED without running the process when no progress user interface could
    // be made for it.
    virtual LProcessResult Run(LWindow parent, const char* title,
                               const ProcessFunction& process) = 0;
};

// Runs a process class (one with `LProcessResult Run(LProcessInterface&)`) under the launcher.
template <typename Process>
LProcessResult RunProcess(ProcessLauncher& launcher, LWindow parent, const char* title,
                          Process& process) {
    return launcher.Run(parent, title,
                        [&process](LProcessInterface& iface) { return process.Run(iface); });
}
