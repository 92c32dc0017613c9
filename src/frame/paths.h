#pragma once

#include <string>
#include <string_view>

// folder + "/" + name, with no separator added when folder is empty or already ends in '/' or
// '\'. At most 258 bytes of folder are used and the result keeps 259 bytes.
std::string PathJoin(std::string_view folder, std::string_view name);

// Creates the folder and every missing parent. True when the folder exists afterwards.
bool CreateFolderPath(const std::string& path);

// LOGNAME, else USER, else "".
std::string GetLoginName();

// The user's home folder: HOME, else the password database's entry.
std::string GetHomeFolder();

// $XDG_DATA_HOME, else ~/.local/share: where the user's application data lives.
std::string GetUserAppSupportFolder();

// The per-user data folder (".../Velmor Software/BrindleFTP"), created when absent.
std::string GetDataFolder();

// The log folder: the data folder + "Logs", created when absent.
std::string GetLogFolder();
