#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "frame/file_system.h"
#include "frame/paths.h"
#include "ui/sites/setup_wizard_pages.h"
#include "ui/sites/site_account_fields.h"

namespace setup_wizard {

namespace {

constexpr int kBrowseRemote = 18604;
constexpr int kBrowseLocal = 18609;

}  // namespace

InitialDirs::InitialDirs(SetupWizardData& data) : data_(data) {
    auto* layout = new QVBoxLayout(this);
    auto* intro =
        new QLabel(tr("Please select the directories where you would like your session to start."));
    intro->setWordWrap(true);
    layout->addWidget(intro);
    remote_ = new SiteFolderGroup(
        {tr("Initial Remote Directory on First Connection"),
         tr("Use the last recent r&emote directory"), 18600, tr("Use this directory &always"),
         18601, tr("Remote directory &path:"), 18603, 18602, tr("Br&owse..."), kBrowseRemote});
    local_ = new SiteFolderGroup(
        {tr("Initial Local Directory on First Connection"),
         tr("Use the last recent &local directory"), 18605, tr("Use this directory al&ways"), 18606,
         tr("Local directory pa&th:"), 18608, 18607, tr("Brow&se..."), kBrowseLocal});
    layout->addWidget(remote_);
    layout->addWidget(local_);
    layout->addStretch(1);
    ConnectCommand(remote_->browseButton(), kBrowseRemote);
    ConnectCommand(local_->browseButton(), kBrowseLocal);
}

void InitialDirs::Load() {
    remote_->pathField()->setText(QStringLiteral("/"));
    SetSiteLocalPath(local_->pathField(), GetDocumentsFolder());
    remote_->SetUseRecent(true);
    local_->SetUseRecent(true);
}

bool InitialDirs::Save() {
    FtpAccount& account = data_.account;
    account.useRecentRemote = remote_->UseRecent();
    account.directory = SiteFieldValue(remote_->pathField());
    account.useRecentLocal = local_->UseRecent();
    account.localDirectory = SiteLocalPathValue(local_->pathField());
    if (IsFolderPath(account.localDirectory)) {
        return true;
    }
    // The path can only be typed in once the fixed folder is chosen.
    QLineEdit* path = local_->pathField();
    if (path->isEnabled()) {
        path->setFocus();
    } else {
        local_->findChild<QRadioButton*>(QStringLiteral("18606"))->setFocus();
    }
    data_.ui.MessageBox(window(), "Please select a valid folder on your local computer.",
                        "Invalid Folder");
    return false;
}

void InitialDirs::Command(int id) {
    if (id == kBrowseRemote) {
        BrowseRemote();
    } else if (id == kBrowseLocal) {
        BrowseLocal();
    }
}

void InitialDirs::BrowseRemote() {
    FtpAccount& account = data_.account;
    account.directory = SiteFieldValue(remote_->pathField());
    const SiteConnectionFields fields{account.server, account.userName, account.password,
                                      account.directory, account.useSsl};
    std::string folder;
    if (BrowseRemoteSiteFolder(window(), data_.ui, data_.launcher, fields, folder)) {
        remote_->pathField()->setText(QString::fromStdString(folder));
    }
}

void InitialDirs::BrowseLocal() {
    std::string folder;
    if (data_.ui.ChooseFolder(window(), "Select local folder",
                              SiteLocalPathValue(local_->pathField()), folder)) {
        SetSiteLocalPath(local_->pathField(), folder);
    }
}

}  // namespace setup_wizard
