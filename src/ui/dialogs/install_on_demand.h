#pragma once

#include <string>
#include <string_view>

#include "process/process_launcher.h"
#include "process/ui_services.h"

class QWidget;

// The windows' way to a component: true at once when it is installed, otherwise it is installed
// under the "Install-on-Demand" progress over the window. "openssl" is the system's libssl3:
// when it does not load, the user is told to install that package and nothing is downloaded.
bool GetComponentPath(QWidget* parent, ProcessLauncher& launcher, UserInterfaceServices& ui,
                      std::string_view name, std::string& path);
// Asked before a window needs TLS (a site with secure FTP ticked).
bool TlsComponentPresent(QWidget* parent, ProcessLauncher& launcher, UserInterfaceServices& ui);
