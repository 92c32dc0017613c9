#pragma once

#include <optional>
#include <string>

#include "process/process_launcher.h"
#include "process/ui_services.h"
#include "ui/dialogs/property_sheet.h"
#include "ui/sites/site_account_fields.h"

class QCheckBox;
class QLineEdit;

// The one page of "FTP Site Properties": a site account's fields, checked before they are
// saved, with the remote folder browser, the local folder chooser and the connection test.
class LSPGeneralPage : public LPropertyPage {
    Q_OBJECT

public:
    // label: the account being edited, "" for a new one.
    LSPGeneralPage(const std::string& label, UserInterfaceServices& ui, ProcessLauncher& launcher,
                   QWidget* parent = nullptr);

    void Load() override;
    // Checks the fields in order and saves the account under its (new) label; a failed check
    // shows its message with the focus on its field.
    bool Save() override;
    std::string HelpTopic() const override { return "siteprop"; }

    // The label the account was last saved under ("" before a save).
    const std::string& savedLabel() const { return savedLabel_; }

    // The page's commands.
    void Command(int id);

private:
    bool Refuse(int field, const std::string& headline, const std::string& text);
    bool ServerGiven();
    SiteConnectionFields ConnectionFields() const;
    void BrowseRemote();
    void BrowseLocal();
    void Test();

    UserInterfaceServices& ui_;
    ProcessLauncher& launcher_;
    std::string editedLabel_;
    std::string savedLabel_;
    QLineEdit* label_;
    QLineEdit* server_;
    QLineEdit* userName_;
    QLineEdit* password_;
    QCheckBox* useSsl_;
    QCheckBox* rememberPassword_;
    SiteFolderGroup* remote_;
    SiteFolderGroup* local_;
};

// Runs the site properties modally for the account `label` ("" adds one). The label the account
// was saved under when the user pressed OK, nothing when cancelled.
std::optional<std::string> SiteProperties(QWidget* parent, UserInterfaceServices& ui,
                                          ProcessLauncher& launcher, const std::string& label);
