#pragma once

#include <string>

#include "process/ui_services.h"

// The path of a page of the help folder ("general" is resources/help/general.html), or "" when
// the page is not there.
std::string HelpPagePath(const std::string& page);
// Opens a page of the help folder in the desktop's browser; false when it is missing or could
// not be opened.
bool OpenHelpPage(UserInterfaceServices& ui, const std::string& page);
