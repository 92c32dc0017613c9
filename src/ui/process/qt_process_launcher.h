#pragma once

#include "process/process_launcher.h"
#include "process/ui_services.h"

// Runs each process under a progress dialog titled as the caller says: a window-modal dialog
// over `parent` (a QWidget*) when it is the active window, otherwise an application-modal window
// of its own. Run returns when the process has returned and the dialog is gone.
class QtProcessLauncher final : public ProcessLauncher {
public:
    // The dialogs show the processes' errors through ui.
    explicit QtProcessLauncher(UserInterfaceServices& ui) : ui_(ui) {}

    // LPROCESS_FAILED without running the process when there is no QApplication or the caller
    // is not on its thread.
    LProcessResult Run(LWindow parent, const char* title, const ProcessFunction& process) override;

private:
    UserInterfaceServices& ui_;
};
