// Choosing, adding and managing sites, and what the window does when it starts.
#include <QComboBox>

#include "frame/ascii_case.h"
#include "frame/logger.h"
#include "settings/ftp_account.h"
#include "settings/section_settings.h"
#include "ui/main/main_commands.h"
#include "ui/main/main_window.h"
#include "ui/sites/setup_wizard.h"
#include "ui/sites/site_manager.h"
#include "ui/sites/site_properties.h"

void MainDialog::StartUp() {
    if (!startUpText_.empty()) {
        ui().AlertBox(startUpHeadline_, startUpText_, startUpKind_);
        startUpText_.clear();
    }
    std::string current;
    if (GetCurrentSite(current)) {
        ConnectCurrentSite(true);
        if (!connectedFlag()) {
            ClearCurrentSite();
        }
    }
    if (connectedFlag()) {
        return;
    }
    Log(kLogInfo, "Click the Connect button to connect to a site");
    if (GetSettingBool(kSettingsSection, "FirstRun", true)) {
        // Cleared first: the wizard is offered by itself only once.
        SetSettingBool(kSettingsSection, "FirstRun", false);
        Command(MainCommand::kSetupWizard);
    }
}

void MainDialog::OfferSites() {
    PopUpSiteMenu(MainCommand::kSiteFirst);
}

void MainDialog::ChooseSite(std::size_t index) {
    const std::vector<std::string> labels = ListFtpAccountLabels();
    if (index >= labels.size()) {
        return;
    }
    const std::string& chosen = labels[index];
    if (connectedFlag()) {
        std::string current;
        GetCurrentSite(current);
        if (!EqualsIgnoringCase(chosen, current) && !ConfirmDisconnect()) {
            return;
        }
    }
    SetCurrentSite(chosen);
    // Still connected: it was the current site, and nothing changes.
    ConnectCurrentSite(true);
}

void MainDialog::AddNewSite() {
    const std::optional<std::string> saved = SiteProperties(this, ui(), launcher(), "");
    if (!saved || !ConfirmDisconnect()) {
        return;
    }
    const std::vector<std::string> labels = ListFtpAccountLabels();
    for (std::size_t index = 0; index < labels.size(); ++index) {
        if (EqualsIgnoringCase(labels[index], *saved)) {
            ChooseSite(index);
            return;
        }
    }
    ConnectCurrentSite(true);
}

bool MainDialog::ConfirmDisconnect() {
    bool confirmed = true;
    if (connectedFlag()) {
        confirmed = ui().AskBox(
            this, "You are connected to another site. Are you sure you want to disconnect?",
            "Disconnect Confirm", "Disconnect", "Cancel");
        if (confirmed) {
            DisconnectSite(false);
        }
    }
    RebuildSiteMenu();
    return confirmed;
}

void MainDialog::RunSiteManagerCommand() {
    std::string before;
    GetCurrentSite(before);
    if (!RunSiteManager(this, ui(), launcher(), siteManagerLink())) {
        RebuildSiteMenu();
        return;
    }
    std::string chosen;
    if (!GetCurrentSite(chosen) || (EqualsIgnoringCase(chosen, before) && connectedFlag())) {
        return;
    }
    if (!ConfirmDisconnect()) {
        // Still connected to the site of before, which stays the current one.
        before.empty() ? ClearCurrentSite() : SetCurrentSite(before);
        RebuildSiteMenu();
        return;
    }
    ConnectCurrentSite(true);
}

void MainDialog::RunSetupWizardCommand() {
    if (RunSetupWizard(this, ui(), launcher()) && !connectedFlag()) {
        ConnectCurrentSite(true);
    }
    RebuildSiteMenu();
}

std::string MainDialog::RemotePathText() const {
    return remotePath_->currentText().toStdString();
}

void MainDialog::ClearRemotePath() {
    remotePath_->clear();
    remotePath_->clearEditText();
}
