#include "ui/sites/setup_wizard.h"

#include "ui/sites/setup_wizard_pages.h"

bool RunSetupWizard(QWidget* parent, UserInterfaceServices& ui, ProcessLauncher& launcher) {
    setup_wizard::SetupWizardData data{ui, launcher, {}};
    LWizard wizard(ui, parent);
    wizard.setObjectName(QStringLiteral("SetupWizard"));
    const QString windowTitle = QObject::tr("BrindleFTP Site Wizard");
    wizard.AddPage(new setup_wizard::Welcome, {684, 472},
                   QObject::tr("BrindleFTP Startup Configuration"),
                   QObject::tr("BrindleFTP enables you to easily connect to FTP sites where you "
                               "will be able to upload and download files."),
                   windowTitle, true);
    wizard.AddPage(new setup_wizard::Account(data), {684, 480}, QObject::tr("Account Information"),
                   QObject::tr("Account details entry."), windowTitle, true);
    wizard.AddPage(new setup_wizard::Security(data), {684, 302}, QObject::tr("Security"),
                   QObject::tr("Security options."), windowTitle, true);
    wizard.AddPage(new setup_wizard::InitialDirs(data), {684, 410},
                   QObject::tr("Initial Directories"), QObject::tr("Initial directories."),
                   windowTitle, true);
    wizard.AddPage(new setup_wizard::Finish(data), {684, 209}, QObject::tr("Finish"),
                   QObject::tr("BrindleFTP is ready to be used."), windowTitle, true);
    return wizard.Run();
}
