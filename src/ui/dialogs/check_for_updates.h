#pragma once

#include "process/process_launcher.h"
#include "process/ui_services.h"

class QWidget;

// The user's "Check for Updates": fetches the announced version under the "Checking for Updates"
// progress, then says whether this version is current or offers to open the page about the new
// one in the web browser.
void CheckForUpdates(QWidget* parent, ProcessLauncher& launcher, UserInterfaceServices& ui);
