#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/reg_key.h"
#include "ui/sites/setup_wizard_pages.h"
#include "ui/sites/site_account_fields.h"

namespace setup_wizard {

namespace {

constexpr int kTestSettings = 19600;

// Writes the account over any account of that label (in any letter case, which takes the new
// one), keeping the values it does not write: a password that is not to be remembered leaves an
// old one as it was. One committed change, with the current site.
bool SaveWizardAccount(const FtpAccount& account) {
    LRegTransaction transaction;
    const LRegKey accounts = LRegKey::Open(kFtpAccountsFolder);
    std::string stored;
    if (FindFtpAccountLabel(account.label, stored) && stored != account.label) {
        LRegKey::OpenSubKey(accounts, stored).Rename(account.label);
    }
    const LRegKey key = LRegKey::OpenSubKey(accounts, account.label);
    key.SetString("Server", account.server);
    key.SetString("UserName", account.userName);
    key.SetBool("RemP", account.rememberPassword);
    if (account.rememberPassword) {
        key.SetString("Password", account.password);
    }
    key.SetBool("UseRecentRemote", account.useRecentRemote);
    key.SetString("Directory", account.directory);
    key.SetBool("UseRecentLocal", account.useRecentLocal);
    key.SetString("LocalDirectory", account.localDirectory);
    key.SetBool("UseSSL", account.useSsl);
    SetCurrentSite(account.label);
    return transaction.Commit();
}

}  // namespace

Finish::Finish(SetupWizardData& data) : data_(data) {
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(
        tr("You can optionally use this test feature to make sure all of your settings are "
           "correct."));
    intro->setWordWrap(true);
    auto* test = new QPushButton(tr("&Test FTP Settings before saving"));
    test->setObjectName(QString::number(kTestSettings));
    test->setAutoDefault(false);
    ConnectCommand(test, kTestSettings);
    layout->addWidget(intro);
    layout->addWidget(test, 0, Qt::AlignLeft);
    layout->addStretch(1);
}

bool Finish::Save() {
    if (SaveWizardAccount(data_.account)) {
        return true;
    }
    data_.ui.MessageBox(window(),
                        "The site could not be saved: the settings store did not take it.",
                        "Site Not Saved");
    return false;
}

void Finish::Command(int id) {
    if (id == kTestSettings) {
        TestSettings();
    }
}

void Finish::TestSettings() {
    const FtpAccount& account = data_.account;
    if (account.server.empty()) {
        data_.ui.MessageBox(window(), ServerFormatMessage("Please enter the ftp server."),
                            "FTP Server Required");
        return;
    }
    TestSiteConnection(
        window(), data_.ui, data_.launcher,
        {account.server, account.userName, account.password, account.directory, account.useSsl});
}

}  // namespace setup_wizard
