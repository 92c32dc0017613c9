#pragma once

#include "process/process_launcher.h"
#include "process/ui_services.h"

class QWidget;

// Walks a new user through the first site account: welcome, account, security, initial folders
// and finish, each page checked before the next. Runs modally over parent; true when it ended
// with Finish, the account then stored and made the current site. Cancel stores nothing.
bool RunSetupWizard(QWidget* parent, UserInterfaceServices& ui, ProcessLauncher& launcher);
