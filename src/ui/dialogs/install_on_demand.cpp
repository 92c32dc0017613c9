#include "ui/dialogs/install_on_demand.h"

#include "services/components.h"

bool GetComponentPath(QWidget* parent, ProcessLauncher& launcher, UserInterfaceServices& ui,
                      std::string_view name, std::string& path) {
    return GetComponentPath(launcher, ui, parent, name, path);
}

bool TlsComponentPresent(QWidget* parent, ProcessLauncher& launcher, UserInterfaceServices& ui) {
    std::string path;
    return GetComponentPath(parent, launcher, ui, kTlsComponent, path);
}
