#pragma once

#include "process/ui_services.h"

class QWidget;

// "About BrindleFTP": the program's name and version and the distributor's link, which opens
// through ui (the shared settings' "Distributor" / "URL", else the help folder's index page).
// Modal over parent until closed.
void ShowAboutDialog(QWidget* parent, UserInterfaceServices& ui);
