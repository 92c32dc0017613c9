#include "ui/explorer/ftp_explorer.h"

bool FtpExplorer(QWidget* parent, UserInterfaceServices& ui, ProcessLauncher& launcher,
                 const std::string& server, const std::string& user, const std::string& password,
                 std::string& folder, int mode, bool secure) {
    return false;
}
