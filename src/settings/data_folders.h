#pragma once

#include <string>

// Where the settings files live.

// The home folder + ".velmorsoftware", created with its parents when absent.
std::string GetPerUserHiddenFolder();
// The per-user hidden folder + "brindleftp.xml".
std::string GetPerUserXmlFile();
// The first "brindleftp" folder in the entries of $XDG_DATA_DIRS (default
// /usr/local/share:/usr/share), else the per-user data folder. Nothing is created outside the
// user's home.
std::string GetSharedDataFolder();
// The shared data folder + "SharedSettings.xml".
std::string GetSharedXmlFile();
