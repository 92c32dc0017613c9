#pragma once

#include <string>

#include "process/process_launcher.h"
#include "process/ui_services.h"
#include "settings/ftp_account.h"
#include "ui/sites/wizard.h"

class QCheckBox;
class QLineEdit;
class SiteFolderGroup;

// The setup wizard's pages. They share one record of what has been read from them so far, which
// the last page stores.
namespace setup_wizard {

struct SetupWizardData {
    UserInterfaceServices& ui;
    ProcessLauncher& launcher;
    FtpAccount account;
};

class Welcome : public LWizardPage {
    Q_OBJECT

public:
    Welcome();
    std::string HelpTopic() const override { return "welcome"; }
};

class Account : public LWizardPage {
    Q_OBJECT

public:
    explicit Account(SetupWizardData& data);
    // The label, server and user name checks of the site dialogs, with the focus on the field
    // the first failure names.
    bool Save() override;
    void SetInitialFocus() override;
    std::string HelpTopic() const override { return "account"; }

private:
    SetupWizardData& data_;
    QLineEdit* label_;
    QLineEdit* server_;
    QLineEdit* user_;
    QLineEdit* password_;
};

class Security : public LWizardPage {
    Q_OBJECT

public:
    explicit Security(SetupWizardData& data);
    bool Save() override;
    void SetInitialFocus() override;
    std::string HelpTopic() const override { return "security"; }

private:
    SetupWizardData& data_;
    QCheckBox* remember_;
    QCheckBox* secure_;
};

class InitialDirs : public LWizardPage {
    Q_OBJECT

public:
    explicit InitialDirs(SetupWizardData& data);
    void Load() override;
    // Needs an existing local folder; the remote one is the server's business.
    bool Save() override;
    void Command(int id) override;
    std::string HelpTopic() const override { return "initial"; }

private:
    void BrowseRemote();
    void BrowseLocal();

    SetupWizardData& data_;
    SiteFolderGroup* remote_;
    SiteFolderGroup* local_;
};

class Finish : public LWizardPage {
    Q_OBJECT

public:
    explicit Finish(SetupWizardData& data);
    // Stores the account and makes it the current site.
    bool Save() override;
    void Command(int id) override;
    std::string HelpTopic() const override { return "finish"; }

private:
    void TestSettings();

    SetupWizardData& data_;
};

// The message of a server field left empty: `lead` followed by the two forms a server may take.
std::string ServerFormatMessage(const std::string& lead);

}  // namespace setup_wizard
