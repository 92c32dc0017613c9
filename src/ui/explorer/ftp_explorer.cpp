#include "ui/explorer/ftp_explorer.h"

#include <QWidget>

#include "ui/explorer/explorer_dialog.h"
#include "ui/explorer/explorer_placement.h"

bool FtpExplorer(QWidget* parent, UserInterfaceServices& ui, ProcessLauncher& launcher,
                 const std::string& server, const std::string& user, const std::string& password,
                 std::string& folder, int mode, bool secure) {
    LFtpExplorer explorer(parent, ui, launcher, ExplorerSite{server, user, password, secure},
                          folder, mode == kFtpExplorerChooseFolder);
    RestoreExplorerPlacement(explorer, parent);
    // Modal already while it connects: exec() cannot make a shown window modal.
    explorer.setWindowModality(Qt::ApplicationModal);
    explorer.show();
    if (!explorer.Start()) {
        return false;
    }
    const bool accepted = explorer.exec() == QDialog::Accepted;
    SaveExplorerPlacement(explorer);
    folder = explorer.folder();
    return accepted;
}
