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

// The user's documents folder: what `xdg-user-dir DOCUMENTS` answers, else ~/Documents. An
// answer of the home folder itself is xdg-user-dir's own fall-back for an unset folder, and
// counts as no answer.
std::string GetDocumentsFolder();

// The data folder of a named user (installer mode): that user's home from the password
// database + ".local/share/Velmor Software/BrindleFTP". Not created. "" when the name is
// empty or not a user of this machine.
std::string GetDataFolderOfUser(const std::string& userName);

// The help pages: the resources folder + "help/"; outside an installation or build tree, where
// a system-wide installation keeps them.
std::string GetHelpFolder();

// The installation template that the installer step copies into the user's data folder: the
// resources folder + "install"; "" when there is no resources folder.
std::string GetInstallTemplateFolder();
