#pragma once

#include <string>

#include "process/process_launcher.h"
#include "process/ui_services.h"

class QWidget;

inline constexpr int kFtpExplorerChooseFolder = 1;

// Opens the FTP Explorer on a session of its own to server (host or host:port) and runs it
// modally over parent. folder is where it starts and, in folder-choosing mode
// (kFtpExplorerChooseFolder), the folder in view when "Select" was pressed. True when the dialog
// was closed with its OK/"Select" button.
bool FtpExplorer(QWidget* parent, UserInterfaceServices& ui, ProcessLauncher& launcher,
                 const std::string& server, const std::string& user, const std::string& password,
                 std::string& folder, int mode, bool secure);
